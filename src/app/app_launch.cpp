#include "app/app_launch.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <memory>
#include <optional>

#include "agenthooks/agent_hook_features.h"
#include "app/app_controller.h"
#include "app/app_delegate.h"
#include "app/application_bus_service.h"
#include "core/sleep_wake_timer.h"
#include "platform/base/logger.h"
#include "platform/fs/unique_fd.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/live_run_loop.h"

namespace vigilix {

namespace {

const platform::Logger& launchLog() {
  static const platform::Logger log{"run.tarvo.vigilix", "Application"};
  return log;
}

// SIGTERM and SIGINT arrive on a descriptor the main loop waits on, so the
// application ends on the main thread. Blocked first, so that every thread
// started later inherits the mask.
sigset_t terminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

void terminate() {
  // The timer releases the assertion on this notice, before the loop ends.
  platform::NotificationCenter::defaultCenter().post(kApplicationWillTerminateNotification);
  platform::LiveRunLoop::main().stop();
}

int forward(platform::AsyncBusConnection& bus, const std::vector<std::string>& urls) {
  auto& loop = platform::LiveRunLoop::main();
  int status = 1;
  auto call = forwardToRunningInstance(bus, urls, [&](const platform::BusReply& reply) {
    if (reply) {
      status = 0;
    } else {
      launchLog().error("The running instance did not take the request: {}",
                        reply.error().description());
    }
    loop.stop();
  });
  if (!call) {
    launchLog().error("Could not reach the running instance: {}", call.error().description());
    return 1;
  }
  loop.run();
  return status;
}

int runInstance(const std::vector<std::string>& urls, platform::AsyncBusConnection* bus) {
  auto& loop = platform::LiveRunLoop::main();
  auto environment = DZLAppController::Environment::current();
  environment.terminate = terminate;
  const auto delegate = std::make_shared<DZLAppDelegate>(platform::UserDefaults::standard(),
                                                         platform::Clock::current().now());
  environment.showSettingsPane = [delegate](const std::string&) { delegate->showSettingsWindow(); };
  const auto handler = environment.eventHandler;
  installAgentHookFeatures();
  const auto controller = DZLAppController::make(std::move(environment));

  // Will finish launching: from here on addresses from other programs reach
  // the handler.
  std::unique_ptr<ApplicationBusService> service;
  if (bus) {
    auto exported = ApplicationBusService::exportOn(
        *bus, {.activate = [delegate] { delegate->applicationShouldHandleReopen(false); },
               .open =
                   [handler](const std::vector<std::string>& uris) {
                     for (const auto& uri : uris) handler->handleEventForURL(uri);
                   },
               .activateAction =
                   [handler](const std::string& action) {
                     handler->handleEventForURL("vigilix:///" + action);
                   }});
    if (exported) {
      service = std::move(*exported);
    } else {
      launchLog().error("Could not serve {} on the session bus: {}", kApplicationInterface,
                        exported.error().description());
    }
  }
  for (const auto& url : urls) handler->handleEventForURL(url);
  delegate->applicationDidFinishLaunching();

  const sigset_t signals = terminationSignals();
  platform::UniqueFd signalDescriptor(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
  platform::SourceHandle signalSource;
  if (signalDescriptor.get() >= 0) {
    signalSource = platform::DescriptorSources::main().add(
        signalDescriptor.get(), POLLIN, [fd = signalDescriptor.get()](short) {
          signalfd_siginfo info{};
          while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            launchLog().log("Ending on signal {}.", info.ssi_signo);
            terminate();
          }
        });
  }
  launchLog().log("Vigilix is running.");
  loop.run();
  return 0;
}

}  // namespace

int DZLApplicationMain(const std::vector<std::string>& arguments) {
  const sigset_t signals = terminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  auto bus = platform::AsyncBusConnection::shared(platform::BusKind::Session);
  if (!bus) {
    launchLog().error(
        "No session bus ({}): running alone; other programs and addresses cannot reach Vigilix.",
        bus.error().description());
    return runInstance(arguments, nullptr);
  }
  auto& loop = platform::LiveRunLoop::main();
  std::optional<std::expected<ApplicationNameOutcome, platform::BusError>> outcome;
  auto request = requestApplicationName(**bus, [&](const auto& answer) {
    outcome = answer;
    loop.stop();
  });
  if (!request) {
    launchLog().error("Could not ask for the name {}: {}; running without it.", kApplicationBusName,
                      request.error().description());
    return runInstance(arguments, bus->get());
  }
  loop.run();
  if (!outcome || !*outcome) {
    launchLog().error("The bus did not give the name {}{}; running without it.",
                      kApplicationBusName,
                      outcome ? ": " + outcome->error().description() : std::string());
    return runInstance(arguments, bus->get());
  }
  if (**outcome == ApplicationNameOutcome::taken) {
    launchLog().log("Vigilix is already running; handing the request to it.");
    return forward(**bus, arguments);
  }
  return runInstance(arguments, bus->get());
}

}  // namespace vigilix
