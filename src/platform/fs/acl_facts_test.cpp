#include "platform/fs/acl_facts.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/fs_faults.h"
#include "platform/fs/unique_fd.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

TEST(AclFactsTest, OnlyWriteGrantedToSomeoneButTheOwnerCounts) {
  testing::TemporaryRoot root;
  struct Row {
    const char* name;
    const char* acl;  // as setfacl(1) writes it
    bool writable;
  };
  const Row rows[] = {
      {"plain modes", "u::rwx,g::r-x,o::r-x", false},
      {"owner may write", "u::rw-,g::r--,o::---", false},
      {"named user masked today", "u::rwx,u:1000:rwx,g::r-x,m::r-x,o::r-x", true},
      {"named user without write", "u::rwx,u:1000:r-x,g::r-x,m::r-x,o::---", false},
      {"named entry for the owner", "u::rwx,u:0:rwx,g::r-x,m::rwx,o::---", false},
      {"named group", "u::rwx,g::r-x,g:100:-w-,m::rwx,o::---", true},
      {"owning group", "u::rwx,g::rwx,o::---", true},
      {"others", "u::rwx,g::---,o::-w-", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto path = root.path() / "folder";
    std::filesystem::create_directory(path);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY));
    acl_t acl = acl_from_text(row.acl);
    ASSERT_NE(acl, nullptr);
    ASSERT_EQ(acl_set_fd(fd.get(), acl), 0) << errno;
    acl_free(acl);
    EXPECT_EQ(hasWritableAclEntry(fd.get(), 0), row.writable);
    std::filesystem::remove(path);
  }
}

TEST(AclFactsTest, AFailedReadIsReportedNotTakenAsSafe) {
  testing::TemporaryRoot root;
  UniqueFd fd(::open(root.path().c_str(), O_RDONLY | O_DIRECTORY));
  FsFaults::inject(FsFault::failing(FsCall::readAcl, EIO));
  EXPECT_EQ(hasWritableAclEntry(fd.get(), 0), (std::unexpected(AclFailure{AclStep::read, EIO})));
  EXPECT_EQ(hasWritableAclEntry(fd.get(), 0), false);
}

}  // namespace
}  // namespace vigilix::platform
