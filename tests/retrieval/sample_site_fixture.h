#pragma once
// One sample service on loopback for a whole test program, plus helpers around it.

#include <gtest/gtest.h>

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
std::string ClosedPortAddress();
