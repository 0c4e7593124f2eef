#pragma once
// What the sample service was asked for, from its request log, in order.

#include <string>
#include <vector>

#include "sample_site/sample_site.h"

// The paths (and queries) of the requests for newsletters' pages ("GET /m/log/...").
inline std::vector<std::string> NewsletterRequests(const sample_site::SampleSite& site) {
  std::vector<std::string> paths;
  for (const std::string& request : site.Requests()) {
    if (request.rfind("GET /m/log/", 0) == 0) paths.push_back(request.substr(4));
  }
  return paths;
}

// The path tails of the issue pages of newsletter `id` asked for ("GET /m/log/<id>/<tail>").
inline std::vector<std::string> IssueRequests(const sample_site::SampleSite& site, const std::string& id) {
  const std::string prefix = "/m/log/" + id + "/";
  std::vector<std::string> tails;
  for (const std::string& path : NewsletterRequests(site)) {
    if (path.rfind(prefix, 0) == 0 && path.find(".html") != std::string::npos)
      tails.push_back(path.substr(prefix.size()));
  }
  return tails;
}
