#pragma once
// The address shown by a running browser, asked for as the original asked Internet
// Explorer over DDE: the answer comes in the DDE reply form, "address","title", and the
// address is its first quoted field.

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "capture/browser_choice.h"

// The DDE service names; the capture asks index 0.
inline constexpr std::array<std::string_view, 2> BrowserDdeServices{"Iexplore", "netscape"};

// "address","title" in Shift-JIS, as the DDE request answered.
std::string BrowserReply(const BrowserPage& page);

// Asks the running browsers as CaptureBrowserPage does; an http or https page answers.
class BrowserAddressSource {
 public:
  explicit BrowserAddressSource(BrowserSourceSettings settings) : settings_(std::move(settings)) {}

  // The reply, or empty when no browser answers.
  std::string Request() const;

 private:
  BrowserSourceSettings settings_;
};

// The p - 2 bytes from position 2, p being the position of the first `",` in the reply;
// empty when p is 0 or 1.
std::string FirstQuotedField(std::string_view reply);

// The address shown by the browser of BrowserDdeServices[index]; empty when none answers.
// Both names stand for whichever browser runs: there is no DDE to tell them apart.
std::string GetBrowserAddress(int index, const BrowserAddressSource& source);
