#include "operations/unit_status_line.h"

#include "base/format.h"
#include "base/latin1.h"

namespace skelvane {
namespace {

constexpr const char* kDot = " \u00B7 ";
constexpr const char* kMinus = "\u2212";

std::string TimeText(const LocalTime& t) {
    return Format("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

StatusMark MarkOf(UnitAnswer answer) {
    switch (answer) {
        case UnitAnswer::Answered:
            return StatusMark::Answered;
        case UnitAnswer::Silent:
            return StatusMark::Silent;
        case UnitAnswer::Unknown:
            break;
    }
    return StatusMark::Unknown;
}

}  // namespace

DiagramStatus DescribeUnitStatus(const Block& block, const UnitStatusBoard& board, bool onCable,
                                 bool duplicate) {
    const Parameter* address = block.FindParameter("UnitAddress");
    const auto ua = static_cast<std::uint16_t>(address != nullptr ? address->value : 0);
    UnitStatus status = board.Find(ua);
    if (status.answer == UnitAnswer::Unknown && onCable) {
        status = board.Find(0);
    }

    DiagramStatus line;
    line.text = Format("UA %u", unsigned{ua});
    if (!status.version.empty()) {
        line.text += kDot + Latin1ToUtf8(status.version);
    }
    const Parameter* rssi = block.FindParameter("DiagRSSI");
    if (rssi != nullptr) {
        if (const auto value = status.Number(rssi->vectors)) {
            line.text += Format("%s%s%u dBm", kDot, kMinus, *value);
        }
    }
    line.mark = MarkOf(status.answer);
    line.warning = duplicate;

    switch (status.answer) {
        case UnitAnswer::Answered:
            line.tip = "Answered at " + TimeText(*status.lastAnswer);
            break;
        case UnitAnswer::Silent:
            line.tip = "Did not answer at " + TimeText(*status.lastSilence);
            if (status.lastAnswer) {
                line.tip += " (last answer at " + TimeText(*status.lastAnswer) + ")";
            }
            break;
        case UnitAnswer::Unknown:
            line.tip = "Not asked yet";
            break;
    }
    // The line may be cut in a narrow block; the tooltip has it whole.
    line.tip = line.text + "\n" + line.tip;
    if (duplicate) {
        line.tip += Format("\nAnother block has unit address %u", unsigned{ua});
    }
    return line;
}

}  // namespace skelvane
