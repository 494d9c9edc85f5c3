#include "app/app_launch.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "agentsettings/agent_hook_features.h"
#include "app/app_controller.h"
#include "app/app_delegate.h"
#include "app/app_platform_watches.h"
#include "app/application_bus_service.h"
#include "app/command_line_inbox.h"
#include "app/desktop_health_lines.h"
#include "app/desktop_inputs.h"
#include "app/hub_composition.h"
#include "app/settings_window_factory.h"
#include "core/sleep_wake_timer.h"
#include "health/protection_verifier.h"
#include "hub/trigger_bridge.h"
#include "intents/intent_actions.h"
#include "menubar/activation_duration_titles.h"
#include "platform/base/localized.h"
#include "platform/base/logger.h"
#include "platform/base/shared_instances.h"
#include "platform/fs/standard_folders.h"
#include "platform/fs/unique_fd.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/system/running_applications.h"
#include "platform/ui/alert.h"
#include "platform/ui/application.h"
#include "platform/ui/window_rendering.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix {

namespace {

const platform::Logger& launchLog() {
  static const platform::Logger log{"Application"};
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

constinit platform::SharedInstance<VGXContainerMigrationBridge> sharedMigrationSlot;
constinit platform::SharedInstance<VGXDirectCompositionBridge> sharedCompositionSlot;

void presentMigrationFailure(const VGXContainerMigrationBridge& bridge, const std::string& message,
                             std::function<void()> proceed) {
  platform::Application::shared().activate();
  auto alert = platform::Alert::make();
  alert->setMessageText(
      platform::localized("Vigilix couldn't read your settings from the previous version.",
                          "Migration failure alert title"));
  alert->setInformativeText(message);
  alert->addButtonWithTitle(platform::localized("Try Again", "Migration failure: retry"));
  alert->addButtonWithTitle(platform::localized("Start Fresh", "Migration failure: give up"));
  alert->presentModal([bridge, proceed = std::move(proceed)](platform::ModalResponse response) {
    if (response == platform::ModalResponse::AlertSecondButtonReturn) {
      if (bridge.startFresh) bridge.startFresh();
      proceed();
      return;
    }
    runSettingsMigrationAtLaunch(bridge, false, proceed);
  });
  alert->window()->orderFrontRegardless();
}

// SIGTERM and SIGINT, read on the main loop: each calls `onSignal`.
struct SignalWatch {
  platform::UniqueFd descriptor;
  platform::SourceHandle source;
};

SignalWatch watchTerminationSignals(std::function<void()> onSignal);

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

SignalWatch watchTerminationSignals(std::function<void()> onSignal) {
  const sigset_t signals = terminationSignals();
  SignalWatch watch{platform::UniqueFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK)), {}};
  if (watch.descriptor.get() < 0) return watch;
  watch.source = platform::DescriptorSources::main().add(
      watch.descriptor.get(), POLLIN,
      [fd = watch.descriptor.get(), onSignal = std::move(onSignal)](short) {
        signalfd_siginfo info{};
        while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
          launchLog().log("Ending on signal {}.", info.ssi_signo);
          onSignal();
        }
      });
  return watch;
}

// The settings migration comes first; while its alert shows, the main loop
// runs for it alone. False when a signal ended the program meanwhile.
bool migrateSettings() {
  auto& loop = platform::LiveRunLoop::main();
  bool settled = false;
  runSettingsMigrationAtLaunch(VGXContainerMigrationBridge::slot(),
                               std::getenv("FLATPAK_ID") != nullptr, [&] {
                                 settled = true;
                                 loop.stop();
                               });
  if (settled) return true;
  const SignalWatch signalWatch = watchTerminationSignals([&loop] { loop.stop(); });
  loop.run();
  return settled;
}

intents::Outcome performAction(const intents::Action& action) {
  return intents::perform(action, VGXTriggerBridge::shared(), platform::UserDefaults::standard(),
                          platform::RunningApplications::current().runningApplications());
}

// A desktop action comes as ActivateAction, or, from a launcher that runs
// the entry's Exec line, as this address followed by its name.
constexpr std::string_view kDesktopActionAddress = "vigilix:///";

// A launcher shows nothing of what an action answers, so the answer is a
// notice (each replacing the last) besides the log line. The switch's own
// actions answer nothing: the status item shows their effect.
void showDesktopActionAnswer(const std::string& text) {
  if (text.empty()) return;
  platform::UserNotificationCenter::current().addRequest(
      {"run.tarvo.vigilix.desktop-action",
       {"Vigilix", text, "run.tarvo.vigilix.desktop-action", "",
        platform::InterruptionLevel::active}},
      [](const platform::NotificationError& error) {
        if (error) launchLog().error("The answer of a desktop action was not shown: {}", *error);
      });
}

void handleAddress(DZLEventHandler& handler, const std::string& uri) {
  const auto action = uri.starts_with(kDesktopActionAddress)
                          ? intents::desktopAction(uri.substr(kDesktopActionAddress.size()))
                          : std::nullopt;
  if (!action) {
    handler.handleEventForURL(uri);
    return;
  }
  const std::string name = uri.substr(kDesktopActionAddress.size());
  const intents::Outcome outcome = performAction(*action);
  if (!outcome) {
    launchLog().log("The desktop action {} was refused: {}", name, outcome.error().text);
    showDesktopActionAnswer(outcome.error().text);
  } else {
    launchLog().log("The desktop action {}: {}", name, outcome->dialog);
    showDesktopActionAnswer(outcome->dialog);
  }
}

int runInstance(const std::vector<std::string>& urls, platform::AsyncBusConnection* bus,
                std::unique_ptr<ApplicationBusService> service,
                std::shared_ptr<CommandLineInbox> commandLineInbox) {
  auto& loop = platform::LiveRunLoop::main();
  // Qt is mapped only when the first window opens (the migration's alert
  // may be the first).
  platform::WindowRendering::loadModuleOnFirstWindow(
      platform::WindowRendering::moduleBesideProgram());
  if (!migrateSettings()) return 0;
  // The status menu's durations, complete from the start, then need no formatting.
  DZLActivationDurationTitles::setShared(std::make_unique<DZLActivationDurationTitles>(
      platform::standardFolder(platform::StandardFolder::caches) / "duration-titles"));
  const auto secondsSinceLastInput =
      installDesktopInputs(makeDesktopInputs(platform::SessionVariables::current()));
  // The desktop's shells hear of control changes while the bus service lives.
  auto announceControls = std::make_shared<std::function<void(const std::string&)>>();
  // Made where it is first reached, by the direct build's features or else
  // by the controller's environment below.
  VGXTriggerBridge::makeSharedWith([secondsSinceLastInput, announceControls, commandLineInbox] {
    return composeHub({
        .resolveBookmark = platformBookmarkResolver(),
        .secondsSinceLastInput = secondsSinceLastInput,
        .protectionVerifier = &VGXProtectionVerifier::shared(),
        .reloadControls =
            [announceControls](const std::string& kind) {
              if (*announceControls) (*announceControls)(kind);
            },
        .commandLineInbox = commandLineInbox,
    });
  });
  if (const auto& install = VGXDirectCompositionBridge::slot().install) install();
  auto environment = DZLAppController::Environment::current();
  environment.terminate = terminate;
  const auto delegate = std::make_shared<DZLAppDelegate>(platform::UserDefaults::standard(),
                                                         platform::Clock::current().now());
  // The health sheet opened from the General pane is the controller's.
  auto controllerSlot = std::make_shared<std::weak_ptr<DZLAppController>>();
  delegate->setSettingsWindowFactory([controllerSlot] {
    return makeApplicationSettingsWindow([controllerSlot] {
      if (auto controller = controllerSlot->lock()) controller->checkHealth();
    });
  });
  environment.showSettingsPane = [delegate](const std::string& pane) {
    delegate->showSettingsPane(pane);
  };
  environment.showSettingsWindow = [delegate] { delegate->showSettingsWindow(); };
  environment.ensureSettingsWindow = [delegate]() -> std::shared_ptr<platform::Window> {
    delegate->showSettingsWindow();
    return delegate->settingsWindow();
  };
  environment.trayConnection = bus;
  environment.showAboutPanel = [about = std::shared_ptr<VGXAboutWindow>()]() mutable {
    if (!about) about = makeApplicationAboutWindow();
    about->show();
  };
  // "Quit Vigilix" ends the program as a signal does: the assertion goes first.
  platform::Application::shared().setTerminationHandler(terminate);
  const auto handler = environment.eventHandler;
  installAgentHookFeatures();
  const auto controller = DZLAppController::make(std::move(environment));
  *controllerSlot = controller;
  registerDesktopHealthLines(controller);

  // Will finish launching: from here on addresses from other programs reach
  // the handler, those that came while launching first.
  if (service) {
    service->serve({.activate = [delegate] { delegate->applicationShouldHandleReopen(false); },
                    .open =
                        [handler](const std::vector<std::string>& uris) {
                          for (const auto& uri : uris) handleAddress(*handler, uri);
                        },
                    .activateAction =
                        [handler](const std::string& action) {
                          handleAddress(*handler, std::string(kDesktopActionAddress) + action);
                        },
                    .perform = performAction});
    *announceControls = [service = service.get()](const std::string& kind) {
      service->announceControlsChanged(kind);
    };
  }
  if (bus) {
    // At logout the session bus goes: nothing can reach us any more, and
    // what we hold must not outlive the session.
    bus->setOnLost([] {
      launchLog().log("The session bus is gone; Vigilix ends.");
      terminate();
    });
  }
  const AppPlatformWatches watches = AppPlatformWatches::start(bus);
  for (const auto& url : urls) handler->handleEventForURL(url);
  delegate->applicationDidFinishLaunching();

  const SignalWatch signalWatch = watchTerminationSignals(terminate);
  launchLog().log("Vigilix is running.");
  loop.run();
  *announceControls = nullptr;
  return 0;
}

}  // namespace

VGXContainerMigrationBridge& VGXContainerMigrationBridge::slot() {
  return sharedMigrationSlot.get();
}

VGXDirectCompositionBridge& VGXDirectCompositionBridge::slot() {
  return sharedCompositionSlot.get();
}

void runSettingsMigrationAtLaunch(const VGXContainerMigrationBridge& bridge, bool sandboxed,
                                  std::function<void()> proceed) {
  if (!sandboxed && bridge.runAtLaunch) {
    if (auto failure = bridge.runAtLaunch()) {
      presentMigrationFailure(bridge, *failure, std::move(proceed));
      return;
    }
  }
  proceed();
}

int DZLApplicationMain(const std::vector<std::string>& arguments) {
  // A log reader that went away (a closed terminal, a restarted journal) costs the lines it
  // would have read, not the program, which the next line would otherwise end.
  ::signal(SIGPIPE, SIG_IGN);
  const sigset_t signals = terminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  auto bus = platform::AsyncBusConnection::shared(platform::BusKind::Session);
  if (!bus) {
    launchLog().error(
        "No session bus ({}): running alone; other programs and addresses cannot reach Vigilix.",
        bus.error().description());
    return runInstance(arguments, nullptr, nullptr, nullptr);
  }
  // Served before the name is ours: a launcher that started us for an
  // address calls the moment we own it, and the command-line tool posts its
  // request the moment it sees the name owned.
  std::unique_ptr<ApplicationBusService> service;
  if (auto exported = ApplicationBusService::exportOn(**bus)) {
    service = std::move(*exported);
  } else {
    launchLog().error("Could not serve {} on the session bus: {}", kApplicationInterface,
                      exported.error().description());
  }
  auto commandLineInbox =
      CommandLineInbox::open(platform::DistributedNotificationCenter::current());
  auto& loop = platform::LiveRunLoop::main();
  std::optional<std::expected<ApplicationNameOutcome, platform::BusError>> outcome;
  auto request = requestApplicationName(**bus, [&](const auto& answer) {
    outcome = answer;
    loop.stop();
  });
  if (!request) {
    launchLog().error("Could not ask for the name {}: {}; running without it.", kApplicationBusName,
                      request.error().description());
    return runInstance(arguments, bus->get(), std::move(service), std::move(commandLineInbox));
  }
  loop.run();
  if (!outcome || !*outcome) {
    launchLog().error("The bus did not give the name {}{}; running without it.",
                      kApplicationBusName,
                      outcome ? ": " + outcome->error().description() : std::string());
    return runInstance(arguments, bus->get(), std::move(service), std::move(commandLineInbox));
  }
  if (**outcome == ApplicationNameOutcome::taken) {
    launchLog().log("Vigilix is already running; handing the request to it.");
    service.reset();
    commandLineInbox.reset();
    return forward(**bus, arguments);
  }
  return runInstance(arguments, bus->get(), std::move(service), std::move(commandLineInbox));
}

}  // namespace vigilix
