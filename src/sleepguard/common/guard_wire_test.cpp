#include "sleepguard/common/guard_wire.h"

#include <gtest/gtest.h>

#include "sleepguard/common/guard_interfaces.h"

namespace vigilix {
namespace {

using namespace VGXGuardWire;
using Grant = std::expected<VGXHoldGrant, VGXGuardError>;
using Ack = std::expected<void, VGXGuardError>;
using InstallerResult = std::expected<void, VGXInstallerError>;

VGXGuardRequest call(VGXGuardMethod method) {
  VGXGuardRequest request;
  request.method = method;
  return request;
}

Dictionary parsed(std::string_view text) {
  auto dictionary = dictionaryFromPacket(text);
  EXPECT_TRUE(dictionary.has_value()) << text;
  return dictionary.value_or(Dictionary::object());
}

// Encoders write exactly these packets, and decoding them gives the value back.
TEST(GuardWire, RepliesRoundTripLiteralText) {
  const VGXHoldGrant grant{"6E1F0C2A-0000-4000-8000-000000000001", 3, "T-1", 30};
  VGXGuardStatus full = VGXGuardStatus::initial("1.2");
  full.state = VGXGuardState::held(501);
  full.lastReadback = true;
  full.lastReadbackAt = 18446744073709551615ULL;
  full.latch = VGXGuardLatch::batteryCap;
  struct Row {
    const char* name;
    Dictionary encoded;
    const char* text;
  };
  const Row rows[] = {
      {"grant", encodeGrant(grant),
       R"({"ok":true,"guardInstanceID":"6E1F0C2A-0000-4000-8000-000000000001","generation":3,)"
       R"("token":"T-1","leaseSeconds":30})"},
      {"grant refused", encodeGrant(Grant(std::unexpect, VGXGuardError::inUseByAnotherUser())),
       R"({"ok":false,"error":"inUseByAnotherUser"})"},
      {"ack", encodeAck(Ack()), R"({"ok":true})"},
      {"ack failed", encodeAck(Ack(std::unexpect, VGXGuardError::io("rename: errno 5"))),
       R"({"ok":false,"error":"io:rename: errno 5"})"},
      {"status idle", encodeStatus(VGXGuardStatus::initial("1.2"), ""),
       R"({"ok":true,"state":"idle","guardVersion":"1.2","executableSHA256":""})"},
      {"status full", encodeStatus(full, "ab"),
       R"({"ok":true,"state":"held:501","guardVersion":"1.2","executableSHA256":"ab",)"
       R"("lastReadback":true,"lastReadbackAt":18446744073709551615,"latch":"batteryCap"})"},
      {"installer ok", encodeInstallerResult(InstallerResult()), R"({"ok":true})"},
      {"installer rolled back",
       encodeInstallerResult(InstallerResult(std::unexpect, VGXInstallerError::rolledBack("x"))),
       R"({"ok":false,"error":"rolledBack:x"})"},
      {"installer status", encodeInstallerStatus({true, false, true}),
       R"({"installed":true,"current":false,"maintenance":true})"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(packetText(row.encoded), row.text);
  }
  EXPECT_EQ(decodeGrant(parsed(rows[0].text)), Grant(grant));
  EXPECT_EQ(decodeStatus(parsed(rows[5].text)), (StatusReply{full, "ab"}));
  EXPECT_EQ(decodeStatus(parsed(rows[4].text)), (StatusReply{VGXGuardStatus::initial("1.2"), ""}));
  EXPECT_EQ(decodeInstallerStatus(parsed(rows[8].text)), (VGXInstallerStatus{true, false, true}));
}

TEST(GuardWire, GrantAndAckDecoding) {
  struct Row {
    const char* name;
    const char* text;
    std::optional<Grant> grant;
  };
  const VGXHoldGrant three{"i", 3, "t", 30};
  const Row rows[] = {
      {"whole", R"({"ok":true,"guardInstanceID":"i","generation":3,"token":"t","leaseSeconds":30})",
       Grant(three)},
      {"generation as 3.0",
       R"({"ok":true,"guardInstanceID":"i","generation":3.0,"token":"t","leaseSeconds":30})",
       Grant(three)},
      {"generation -1",
       R"({"ok":true,"guardInstanceID":"i","generation":-1,"token":"t","leaseSeconds":30})",
       std::nullopt},
      {"generation true",
       R"({"ok":true,"guardInstanceID":"i","generation":true,"token":"t","leaseSeconds":30})",
       std::nullopt},
      {"generation 2.5",
       R"({"ok":true,"guardInstanceID":"i","generation":2.5,"token":"t","leaseSeconds":30})",
       std::nullopt},
      {"missing token", R"({"ok":true,"guardInstanceID":"i","generation":3,"leaseSeconds":30})",
       std::nullopt},
      {"ok as 1", R"({"ok":1,"error":"stale"})", std::nullopt},
      {"no ok", R"({"error":"stale"})", std::nullopt},
      {"refused", R"({"ok":false,"error":"stale"})", Grant(std::unexpect, VGXGuardError::stale())},
      {"unknown error", R"({"ok":false,"error":"Stale"})", std::nullopt},
      {"no error", R"({"ok":false})", std::nullopt},
      {"unsafe empty", R"({"ok":false,"error":"unsafe:"})",
       Grant(std::unexpect, VGXGuardError::unsafe(""))},
      {"io empty", R"({"ok":false,"error":"io:"})", Grant(std::unexpect, VGXGuardError::io(""))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodeGrant(parsed(row.text)), row.grant);
  }
  EXPECT_EQ(decodeAck(parsed(R"({"ok":true,"error":"stale"})")), Ack());
  EXPECT_EQ(decodeAck(parsed(R"({"ok":false,"error":"notHeld"})")),
            Ack(std::unexpect, VGXGuardError::notHeld()));
  EXPECT_EQ(decodeAck(parsed(R"({"ok":"true"})")), std::nullopt);
}

TEST(GuardWire, StatusDecoding) {
  struct Row {
    const char* name;
    const char* text;
    bool readable;
  };
  const Row rows[] = {
      {"ok false with error", R"({"ok":false,"error":"stale"})", false},
      {"bad state", R"({"ok":true,"state":"held:007","guardVersion":"1","executableSHA256":""})",
       false},
      {"largest uid",
       R"({"ok":true,"state":"held:4294967295","guardVersion":"1","executableSHA256":""})", true},
      {"uid past 32 bits",
       R"({"ok":true,"state":"held:4294967296","guardVersion":"1","executableSHA256":""})", false},
      {"bare held", R"({"ok":true,"state":"held:","guardVersion":"1","executableSHA256":""})",
       false},
      {"signed uid", R"({"ok":true,"state":"held:+7","guardVersion":"1","executableSHA256":""})",
       false},
      {"no hash", R"({"ok":true,"state":"idle","guardVersion":"1"})", false},
      {"readback as number",
       R"({"ok":true,"state":"idle","guardVersion":"1","executableSHA256":"","lastReadback":1})",
       false},
      {"readback time negative",
       R"({"ok":true,"state":"idle","guardVersion":"1","executableSHA256":"","lastReadbackAt":-1})",
       false},
      {"unknown latch",
       R"({"ok":true,"state":"idle","guardVersion":"1","executableSHA256":"","latch":"cold"})",
       false},
      {"known latch",
       R"({"ok":true,"state":"draining","guardVersion":"1","executableSHA256":"","latch":"heat"})",
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodeStatus(parsed(row.text)).has_value(), row.readable);
  }
}

TEST(GuardWire, TextsAreCutAndParsedBack) {
  const std::string detail200(200, 'd');
  const std::string unsafe = wireText(VGXGuardError::unsafe(detail200));
  EXPECT_EQ(unsafe.size(), 128U);
  EXPECT_EQ(guardErrorFromWireText(unsafe), VGXGuardError::unsafe(detail200.substr(0, 121)));
  EXPECT_EQ(wireText(VGXGuardError::io(detail200)).size(), 128U);
  // Characters, not bytes: 130 two-byte letters are cut to 121 of them.
  const std::string wide = [] {
    std::string text;
    for (int i = 0; i < 130; ++i) text += "é";
    return text;
  }();
  EXPECT_EQ(wireText(VGXGuardError::unsafe(wide)).size(), 7U + 121U * 2U);
  EXPECT_EQ(guardErrorFromWireText(std::string(129, 'x')), std::nullopt);

  const std::string detail300(300, 'f');
  const std::string failed = wireText(VGXInstallerError::failed(detail300));
  EXPECT_EQ(failed.size(), 128U);
  EXPECT_EQ(installerErrorFromWireText(failed),
            VGXInstallerError::failed(detail300.substr(0, 121)));
  struct Row {
    const char* text;
    std::optional<VGXInstallerError> error;
  };
  const Row rows[] = {
      {"inUseByAnotherUser", VGXInstallerError::inUseByAnotherUser()},
      {"maintenancePending", VGXInstallerError::maintenancePending()},
      {"rolledBack:", VGXInstallerError::rolledBack("")},
      {"failed:a:b", VGXInstallerError::failed("a:b")},
      {"failed", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(installerErrorFromWireText(row.text), row.error);
  }
  EXPECT_EQ(decodeInstallerResult(parsed(R"({"ok":false,"error":"maintenancePending"})")),
            InstallerResult(std::unexpect, VGXInstallerError::maintenancePending()));
  EXPECT_EQ(decodeInstallerResult(parsed(R"({"ok":false,"error":"nope"})")), std::nullopt);
  EXPECT_EQ(decodeInstallerStatus(
                parsed(R"({"ok":true,"installed":false,"current":false,"maintenance":false})")),
            (VGXInstallerStatus{}));
  EXPECT_EQ(decodeInstallerStatus(parsed(R"({"installed":false,"current":false})")), std::nullopt);
  EXPECT_EQ(dictionaryFromPacket("[1]"), std::nullopt);
  EXPECT_EQ(dictionaryFromPacket("{\"ok\":true} x"), std::nullopt);
}

TEST(GuardWire, RequestsPerInterface) {
  using VGXGuardInterfaces::decodeRequest;
  using VGXGuardInterfaces::encodeRequest;
  const auto& guard = VGXGuardInterfaces::guardInterface();
  const auto& admin = VGXGuardInterfaces::adminInterface();
  const auto& installer = VGXGuardInterfaces::installerInterface();
  VGXGuardRequest hold{VGXGuardMethod::hold, true, 5, 7, {}};
  EXPECT_EQ(
      packetText(encodeRequest(hold)),
      R"({"method":"hold","userInitiated":true,"batteryFloorPercent":5,"batteryCapHours":7})");
  EXPECT_EQ(packetText(encodeRequest({VGXGuardMethod::renew, false, 0, 0, "T"})),
            R"({"method":"renew","token":"T"})");
  struct Row {
    const char* name;
    const VGXGuardInterface* interface;
    std::string text;
    std::optional<VGXGuardRequest> request;
  };
  const Row rows[] = {
      {"hold as sent, negative kept", &guard,
       R"({"method":"hold","userInitiated":false,"batteryFloorPercent":-3,"batteryCapHours":99})",
       VGXGuardRequest{VGXGuardMethod::hold, false, -3, 99, {}}},
      {"hold floor as text", &guard,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":"5","batteryCapHours":7})",
       std::nullopt},
      {"hold without initiator", &guard,
       R"({"method":"hold","batteryFloorPercent":5,"batteryCapHours":7})", std::nullopt},
      {"release", &guard, R"({"method":"release","token":"T","extra":1})",
       VGXGuardRequest{VGXGuardMethod::release, false, 0, 0, "T"}},
      {"release without token", &guard, R"({"method":"release"})", std::nullopt},
      {"long token", &guard,
       std::string(R"({"method":"renew","token":")") + std::string(129, 't') + "\"}", std::nullopt},
      {"drain on the client service", &guard, R"({"method":"beginDrain"})", std::nullopt},
      {"drain on admin", &admin, R"({"method":"beginDrain"})", call(VGXGuardMethod::beginDrain)},
      {"hold on admin", &admin,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":5,"batteryCapHours":7})",
       std::nullopt},
      {"install", &installer, R"({"method":"install"})", call(VGXGuardMethod::install)},
      {"status everywhere", &installer, R"({"method":"status"})", call(VGXGuardMethod::status)},
      {"method not text", &admin, R"({"method":1})", std::nullopt},
      {"no method", &admin, R"({})", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodeRequest(*row.interface, parsed(row.text)), row.request);
  }
}

}  // namespace
}  // namespace vigilix
