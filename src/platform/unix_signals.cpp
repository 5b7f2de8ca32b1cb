#include "platform/unix_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace corvalin {
namespace {

int gPipe[2] = {-1, -1};

void alRecibir(int) {
  const char byte = 1;
  // Only async-signal-safe work here: wake the event loop.
  [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);
}

}  // namespace

void terminarConSenales(std::function<void()> alTerminar) {
  if (gPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
  auto* notifier =
      new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, alTerminar = std::move(alTerminar)] {
                     char byte;
                     [[maybe_unused]] ssize_t n = ::read(gPipe[0], &byte, 1);
                     notifier->setEnabled(false);
                     alTerminar();
                   });
  struct sigaction action {};
  action.sa_handler = alRecibir;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace corvalin
