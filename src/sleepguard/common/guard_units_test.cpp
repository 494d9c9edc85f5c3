#include "sleepguard/common/guard_units.h"

#include <gtest/gtest.h>

#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

TEST(GuardUnits, RenderExactly) {
  const std::string prefix = VGXGuardNames::appPath().substr(
      0, VGXGuardNames::appPath().size() - std::string_view("/bin/vigilix-app").size());
  struct Row {
    const char* unit;
    std::string text;
  };
  const Row rows[] = {
      {"run.tarvo.vigilix.sleepguard.service",
       "# Associated application: run.tarvo.vigilix\n"
       "\n[Unit]\n"
       "Description=Vigilix sleep guard\n"
       "Requires=run.tarvo.vigilix.sleepguard.socket run.tarvo.vigilix.sleepguard-admin.socket\n"
       "After=run.tarvo.vigilix.sleepguard.socket run.tarvo.vigilix.sleepguard-admin.socket\n"
       "\n[Service]\n"
       "Type=notify\n"
       "Environment=VIGILIX_INSTALL_PREFIX=" +
           prefix +
           "\n"
           "ExecStart=/var/lib/vigilix/vigilix-sleepguard\n"
           "WatchdogSec=30\n"
           "Restart=always\n"
           "KillMode=process\n"
           "ProtectSystem=strict\n"
           "ReadWritePaths=/var/lib/vigilix /etc/systemd/system\n"
           "PrivateNetwork=yes\n"
           "RestrictAddressFamilies=AF_UNIX\n"
           "NoNewPrivileges=yes\n"
           "LimitNOFILE=256\n"
           "\n[Install]\n"
           "WantedBy=multi-user.target\n"},
      {"run.tarvo.vigilix.sleepguard.socket",
       "# Associated application: run.tarvo.vigilix\n"
       "\n[Unit]\n"
       "Description=Vigilix sleep guard client socket\n"
       "\n[Socket]\n"
       "ListenSequentialPacket=/run/vigilix/run.tarvo.vigilix.sleepguard\n"
       "FileDescriptorName=guard\n"
       "SocketMode=0666\n"
       "Service=run.tarvo.vigilix.sleepguard.service\n"
       "\n[Install]\n"
       "WantedBy=sockets.target\n"},
      {"run.tarvo.vigilix.sleepguard-admin.socket",
       "# Associated application: run.tarvo.vigilix\n"
       "\n[Unit]\n"
       "Description=Vigilix sleep guard admin socket\n"
       "\n[Socket]\n"
       "ListenSequentialPacket=/run/vigilix/run.tarvo.vigilix.sleepguard.admin\n"
       "FileDescriptorName=admin\n"
       "SocketMode=0600\n"
       "Service=run.tarvo.vigilix.sleepguard.service\n"
       "\n[Install]\n"
       "WantedBy=sockets.target\n"},
      {"run.tarvo.vigilix.installer.service",
       "# Associated application: run.tarvo.vigilix\n"
       "\n[Unit]\n"
       "Description=Vigilix installer\n"
       "Requires=run.tarvo.vigilix.installer.socket\n"
       "After=run.tarvo.vigilix.installer.socket\n"
       "\n[Service]\n"
       "Type=simple\n"
       "ExecStart=" +
           prefix + "/libexec/vigilix/vigilix-installer\n"},
      {"run.tarvo.vigilix.installer.socket",
       "# Associated application: run.tarvo.vigilix\n"
       "\n[Unit]\n"
       "Description=Vigilix installer socket\n"
       "\n[Socket]\n"
       "ListenSequentialPacket=/run/vigilix/run.tarvo.vigilix.installer\n"
       "FileDescriptorName=installer\n"
       "SocketMode=0666\n"
       "Service=run.tarvo.vigilix.installer.service\n"
       "\n[Install]\n"
       "WantedBy=sockets.target\n"},
      {"unknown.service", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.unit);
    EXPECT_EQ(VGXRenderUnit(row.unit), row.text);
  }
}

TEST(GuardUnits, NamesAndRequirements) {
  EXPECT_EQ(VGXGuardNames::guardLabel, VGXGuardNames::guardMachService);
  EXPECT_EQ(VGXGuardRequirements::installer(),
            "anchor apple generic and identifier \"run.tarvo.vigilix.installer\" and certificate "
            "leaf[subject.OU] = \"K9WQ2T7LMB\"");
  for (const auto& text : {VGXGuardRequirements::app(), VGXGuardRequirements::guard(),
                           VGXGuardRequirements::installer()}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(std::count(text.begin(), text.end(), '"'), 4);
    EXPECT_TRUE(text.ends_with("\"K9WQ2T7LMB\""));
  }
  EXPECT_DEATH(VGXGuardRequirements::requirementForIdentifier("a\"b"), "");
  EXPECT_EQ(VGXGuardNames::socketPath(VGXGuardNames::adminMachService),
            "/run/vigilix/run.tarvo.vigilix.sleepguard.admin");
}

}  // namespace
}  // namespace vigilix
