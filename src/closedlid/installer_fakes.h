#pragma once

// The installer's socket and the service manager as the closed-lid tests
// script them: each request is recorded and waits for the test's answer.

#include <string>
#include <vector>

#include "closedlid/installer_transport.h"
#include "closedlid/unit_registry.h"

namespace vigilix {

struct FakeInstaller {
  bool up = true;
  std::vector<std::string> sent;
  std::vector<VGXInstallerTransport::Reply> replies;
  int invalidated = 0;
};

class FakeInstallerTransport final : public VGXInstallerTransport {
 public:
  explicit FakeInstallerTransport(FakeInstaller& installer) : installer_(installer) {}
  bool resume() override { return installer_.up; }
  void invalidate() override { ++installer_.invalidated; }
  void install(Reply reply) override { record("install", std::move(reply)); }
  void uninstall(Reply reply) override { record("uninstall", std::move(reply)); }
  void status(Reply reply) override { record("status", std::move(reply)); }

 private:
  void record(std::string method, Reply reply) {
    installer_.sent.push_back(std::move(method));
    installer_.replies.push_back(std::move(reply));
  }
  FakeInstaller& installer_;
};

struct FakeUnits final : VGXUnitRegistry {
  std::expected<VGXUnitReading, VGXUnitError> reading = VGXUnitReading{"disabled", "inactive"};
  std::expected<void, VGXUnitError> enabling;
  std::expected<void, VGXUnitError> disabling;
  int reads = 0;
  std::vector<std::string> calls;
  std::expected<VGXUnitReading, VGXUnitError> read(std::string_view) override {
    ++reads;
    return reading;
  }
  std::expected<void, VGXUnitError> enableAndStart(std::string_view unit) override {
    calls.push_back("enable " + std::string(unit));
    return enabling;
  }
  std::expected<void, VGXUnitError> disableAndStop(std::string_view unit) override {
    calls.push_back("disable " + std::string(unit));
    return disabling;
  }
};

}  // namespace vigilix
