#include "wave/Sniff.h"

RiffKind SniffRiff(std::string_view first) {
    const std::string_view id = first.substr(0, 4);
    const bool wave = first.size() >= kRiffHeaderSize && first.substr(8, 4) == "WAVE";
    if (id == "RIFF") return wave ? RiffKind::Wave : RiffKind::OtherRiff;
    if (id == "RF64") return wave ? RiffKind::Rf64Wave : RiffKind::OtherRiff;
    if (id == "RIFX") return RiffKind::Rifx;
    return RiffKind::NotRiff;
}
