#include "guard_record_round_trip.h"
#include "sleepguard/core/guard_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return guardRecordRoundTrip(data, size, vigilix::decodeSafety, vigilix::encodeSafety);
}
