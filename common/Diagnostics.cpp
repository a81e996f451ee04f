#include "common/Diagnostics.h"

#include <iostream>

namespace Diagnostics {

void ToStandardOutput(std::string_view message) { std::cout << message << '\n' << std::flush; }

void Report(const Sink& sink, std::string_view message) {
    if (sink) {
        sink(message);
    } else {
        ToStandardOutput(message);
    }
}

}  // namespace Diagnostics
