#include "platform/json/data_coding.h"

#include "platform/base/base64.h"

namespace vigilix::platform::json {

Value encodeData(const Bytes& bytes) { return Value(base64Encode(bytes)); }

}  // namespace vigilix::platform::json
