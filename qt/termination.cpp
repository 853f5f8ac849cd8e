#include "qt/termination.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace velmira {

namespace {
int g_signalled[2] = {-1, -1};

void Signalled(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_signalled[0], &byte, 1);
}
}  // namespace

void OnTermination(std::function<void()> ended) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalled) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalled[1], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, ended] {
    notifier->setEnabled(false);
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(g_signalled[1], &byte, 1);
    ended();
  });
  struct sigaction action = {};
  action.sa_handler = &Signalled;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace velmira
