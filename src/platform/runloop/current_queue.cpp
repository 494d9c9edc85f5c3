#include "platform/runloop/current_queue.h"

#include <atomic>

namespace vigilix::platform {

namespace {
std::atomic<CurrentQueue::Identity> lastIdentity{0};
thread_local CurrentQueue::Identity runningQueue = 0;
}  // namespace

CurrentQueue::Identity CurrentQueue::newIdentity() { return ++lastIdentity; }

bool CurrentQueue::is(Identity identity) { return identity != 0 && runningQueue == identity; }

CurrentQueue::Identity CurrentQueue::running() { return runningQueue; }

CurrentQueue::Scope::Scope(Identity identity) : previous_(runningQueue) { runningQueue = identity; }

CurrentQueue::Scope::~Scope() { runningQueue = previous_; }

}  // namespace vigilix::platform
