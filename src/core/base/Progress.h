#pragma once
// The progress sink of long computations: a step name and a whole percent.
#include <functional>
#include <string>

namespace velinor {

using TProgressSink = std::function<void(const std::string& label, int percent)>;

}  // namespace velinor
