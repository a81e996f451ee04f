// Where the WAVE model's messages go. The model itself prints nothing: it
// hands each message to the sink its caller supplies. A caller that supplies
// none gets ToStandardOutput, the model's documented behaviour (each message
// on a line of its own on standard output, flushed at once); the programs
// and the page supply their own and keep the messages as findings.
#pragma once

#include <functional>
#include <string_view>

namespace Diagnostics {

// Receives one message, without its line end.
using Sink = std::function<void(std::string_view message)>;

// Writes `message` and a newline to standard output, and flushes.
void ToStandardOutput(std::string_view message);

// Hands `message` to `sink`, or to ToStandardOutput when `sink` is empty.
void Report(const Sink& sink, std::string_view message);

}  // namespace Diagnostics
