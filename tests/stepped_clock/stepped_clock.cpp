// Preloaded into a program (LD_PRELOAD) to step its wall clock as the kernel steps the
// machine's, without touching the machine's: every program on the machine would see a real
// step. A thread reads steps in seconds, one a line ("+0.05", "-3600"), from the FIFO named by
// STEPPED_CLOCK_FIFO; each one moves CLOCK_REALTIME as the program reads it, cancels the
// real-time timers armed with TFD_TIMER_CANCEL_ON_SET (their next read fails with ECANCELED)
// and moves the other absolute real-time timers to where the stepped clock puts them, as
// clock_settime(2) does. The thread is named "stepped-clock", so that a measurement of the
// program can leave it out. The variable is removed, so the program's children run unstepped.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr std::int64_t kBillion = 1'000'000'000;
constexpr int kMostDescriptors = 4096;

template <class F>
F real(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

using ClockGettime = int (*)(clockid_t, timespec*);
using TimerfdCreate = int (*)(int, int);
using TimerfdSettime = int (*)(int, int, const itimerspec*, itimerspec*);
using Read = ssize_t (*)(int, void*, size_t);
using Close = int (*)(int);

std::atomic<std::int64_t> offsetNanoseconds{0};

// A real-time timer of the program, as it armed it.
struct Timer {
  bool realTime = false;
  bool absolute = false;
  bool cancelOnSet = false;
  itimerspec asked{};
};
std::mutex timersMutex;
std::array<Timer, kMostDescriptors> timers;
// Set when a step cancelled the timer: its next read fails with ECANCELED.
std::array<std::atomic<bool>, kMostDescriptors> cancelled;

bool tracked(int fd) { return fd >= 0 && fd < kMostDescriptors; }

std::int64_t nanoseconds(const timespec& time) { return time.tv_sec * kBillion + time.tv_nsec; }

timespec shifted(timespec time, std::int64_t by) {
  const std::int64_t total = nanoseconds(time) + by;
  time.tv_sec = static_cast<time_t>(total / kBillion);
  time.tv_nsec = static_cast<long>(total % kBillion);
  if (time.tv_nsec < 0) {
    time.tv_nsec += kBillion;
    time.tv_sec -= 1;
  }
  return time;
}

bool isRealTime(clockid_t clock) {
  return clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE ||
         clock == CLOCK_REALTIME_ALARM || clock == CLOCK_TAI;
}

// Arms the kernel's timer for what the program asked, on the stepped clock.
int armReal(int fd, int flags, const itimerspec& asked, itimerspec* old) {
  itimerspec real = asked;
  const bool armed = asked.it_value.tv_sec != 0 || asked.it_value.tv_nsec != 0;
  if ((flags & TFD_TIMER_ABSTIME) != 0 && armed) {
    real.it_value = shifted(asked.it_value, -offsetNanoseconds.load());
    // A time before 1970 is refused; one long past fires at once all the same.
    if (nanoseconds(real.it_value) <= 0) real.it_value = timespec{0, 1};
  }
  // Cancelling is the stepped clock's to do; a real set of the machine's clock still cancels.
  return ::real<TimerfdSettime>("timerfd_settime")(fd, flags, &real, old);
}

void step(std::int64_t by) {
  offsetNanoseconds.fetch_add(by);
  std::lock_guard lock(timersMutex);
  for (int fd = 0; fd < kMostDescriptors; ++fd) {
    Timer& timer = timers[static_cast<std::size_t>(fd)];
    if (!timer.realTime || !timer.absolute) continue;
    itimerspec now{};
    if (::timerfd_gettime(fd, &now) != 0) continue;
    // One that already fired and does not repeat stays fired.
    if (now.it_value.tv_sec == 0 && now.it_value.tv_nsec == 0) continue;
    if (timer.cancelOnSet) {
      cancelled[static_cast<std::size_t>(fd)] = true;
      const itimerspec due{{0, 0}, {0, 1}};
      ::real<TimerfdSettime>("timerfd_settime")(fd, 0, &due, nullptr);
    } else {
      armReal(fd, TFD_TIMER_ABSTIME, timer.asked, nullptr);
    }
  }
}

void* readSteps(void* fifo) {
  ::prctl(PR_SET_NAME, "stepped-clock");
  FILE* steps = std::fopen(static_cast<const char*>(fifo), "r");
  std::free(fifo);
  if (steps == nullptr) return nullptr;
  for (double seconds = 0; std::fscanf(steps, "%lf", &seconds) == 1;) {
    step(static_cast<std::int64_t>(seconds * 1e9));
  }
  std::fclose(steps);
  return nullptr;
}

__attribute__((constructor)) void startReadingSteps() {
  const char* fifo = std::getenv("STEPPED_CLOCK_FIFO");
  if (fifo == nullptr) return;
  char* path = ::strdup(fifo);
  ::unsetenv("STEPPED_CLOCK_FIFO");
  pthread_t thread;
  if (::pthread_create(&thread, nullptr, readSteps, path) == 0) ::pthread_detach(thread);
}

}  // namespace

extern "C" {

int clock_gettime(clockid_t clock, timespec* time) noexcept {
  const int result = real<ClockGettime>("clock_gettime")(clock, time);
  if (result == 0 && isRealTime(clock)) *time = shifted(*time, offsetNanoseconds.load());
  return result;
}

int gettimeofday(timeval* time, void*) noexcept {
  timespec now{};
  const int result = clock_gettime(CLOCK_REALTIME, &now);
  if (result == 0) *time = timeval{now.tv_sec, now.tv_nsec / 1000};
  return result;
}

time_t time(time_t* out) noexcept {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  if (out != nullptr) *out = now.tv_sec;
  return now.tv_sec;
}

int timerfd_create(int clock, int flags) noexcept {
  const int fd = real<TimerfdCreate>("timerfd_create")(clock, flags);
  if (tracked(fd)) {
    std::lock_guard lock(timersMutex);
    timers[static_cast<std::size_t>(fd)] = Timer{isRealTime(clock), false, false, {}};
    cancelled[static_cast<std::size_t>(fd)] = false;
  }
  return fd;
}

int timerfd_settime(int fd, int flags, const itimerspec* asked, itimerspec* old) noexcept {
  if (!tracked(fd) || asked == nullptr) {
    return real<TimerfdSettime>("timerfd_settime")(fd, flags, asked, old);
  }
  std::lock_guard lock(timersMutex);
  Timer& timer = timers[static_cast<std::size_t>(fd)];
  if (!timer.realTime) return real<TimerfdSettime>("timerfd_settime")(fd, flags, asked, old);
  timer.absolute = (flags & TFD_TIMER_ABSTIME) != 0;
  timer.cancelOnSet = (flags & TFD_TIMER_CANCEL_ON_SET) != 0;
  timer.asked = *asked;
  cancelled[static_cast<std::size_t>(fd)] = false;
  return armReal(fd, flags, *asked, old);
}

ssize_t read(int fd, void* buffer, size_t size) {
  const ssize_t result = real<Read>("read")(fd, buffer, size);
  if (tracked(fd) && cancelled[static_cast<std::size_t>(fd)].exchange(false)) {
    errno = ECANCELED;
    return -1;
  }
  return result;
}

int close(int fd) {
  if (tracked(fd)) {
    std::lock_guard lock(timersMutex);
    timers[static_cast<std::size_t>(fd)] = Timer{};
    cancelled[static_cast<std::size_t>(fd)] = false;
  }
  return real<Close>("close")(fd);
}

}  // extern "C"
