#pragma once
// One sample service on loopback for a whole test program, plus helpers around it.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "sample_site/sample_site.h"

class SampleSiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = std::make_unique<sample_site::SampleSite>();
    site_->Start();
  }
  static void TearDownTestSuite() { site_.reset(); }

  static sample_site::SampleSite& site() { return *site_; }
  // The last request the service received, "GET /path?query".
  static std::string LastRequest() {
    const auto requests = site_->Requests();
    return requests.empty() ? std::string() : requests.back();
  }

 private:
  static inline std::unique_ptr<sample_site::SampleSite> site_;
};

// A loopback address on which nothing listens.
inline std::string ClosedPortAddress() {
  const int socketHandle = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(socketHandle);  // nothing listens there any more
  return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}
