// yomitoru-sample-site [--port N]: the sample service on its own, for benchmarks and
// for looking at the pages with a browser. Serves until SIGINT or SIGTERM; each SIGUSR1
// publishes one more issue of every newsletter, so a refresh finds something new.

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "sample_site/sample_site.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: yomitoru-sample-site [--port N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--port" && i + 1 < argc) {
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*argv[i] == '\0' || *end != '\0' || value < 0 || value > 65535) return Usage();
      port = static_cast<int>(value);
    } else {
      return Usage();
    }
  }

  // Blocked before any thread starts, so every server thread inherits the mask and
  // the signals wait for sigwait below.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    sample_site::SampleSite site;
    site.Start(port);
    std::printf("Sample service: %s\n", site.Root().c_str());
    for (const auto& newsletter : site.Newsletters()) {
      std::printf("  %s %s\n", newsletter.title.c_str(), site.NewsletterAddress(newsletter.id).c_str());
    }
    std::fflush(stdout);
    for (int received = SIGUSR1; received == SIGUSR1;) {
      sigwait(&signals, &received);
      if (received != SIGUSR1) break;
      for (const auto& newsletter : site.Newsletters()) site.AddNewerIssue(newsletter.id);
      std::printf("Published one more issue of every newsletter.\n");
      std::fflush(stdout);
    }
    site.Stop();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "yomitoru-sample-site: %s\n", error.what());
    return 1;
  }
  return 0;
}
