#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"

namespace skelvane {

// How a value cell is edited.
enum class CellKind {
    Text,    // no choices: the text value, free text
    Number,  // first choice "Min": the number, within the range of the first two choices
    List,    // any other choices: one of the choice names
};

// One row of a block's parameter list (the "Settings" page).
struct PropertyRow {
    std::string name;         // the parameter's name; identifies the row
    std::string description;  // "Description" column
    std::string reg;          // "Register" column
    CellKind kind = CellKind::Text;
    std::vector<std::string> choices;  // the names offered by a list cell
    int selected = 0;                  // list cell: the entry shown
    std::string value;                 // "Value" column as shown
    bool checked = true;               // the "Update" check box
    bool enabled = true;               // false for parameters that are shown but not editable
    std::string tip;                   // what the register is, its values and ids (ParameterTip)
    bool pending = false;              // edited, not yet written to or read from the unit
};

// The parameter list of a block without its window: which parameters are listed, what each
// cell shows, and the rules for accepting an edit (ranges, the "LinkRate" interlock, the unit
// facts, naming the block after its unit address). Lives on the thread that owns the block;
// messages go through the prompter.
class PropertyListModel {
  public:
    PropertyListModel(Block& block, UnitFacts& facts, Prompter& prompter);

    // Rebuilds the rows from the block's parameters (when the page is shown): one row per
    // parameter whose `visible` and `readwrite` are both non-zero, in parameter order. Rows
    // of parameters with `readwrite` 1 are shown disabled and unchecked.
    void Fill();
    const std::vector<PropertyRow>& Rows() const { return rows_; }
    std::optional<std::size_t> FindRow(std::string_view name) const;

    // Rewrites every value cell from its parameter.
    void RefreshList();

    // The "Update" check boxes (disabled rows stay unchecked).
    void SetChecked(std::size_t row, bool checked);
    // Clicking the column header: toggles the header's mark and gives it to every enabled
    // row. The mark starts set, as every enabled row starts checked.
    void ToggleHeaderCheck();
    bool HeaderChecked() const { return headerChecked_; }
    // Names of the checked rows, in list order.
    std::vector<std::string> CheckedNames() const;

    // Rows whose value was edited and accepted but has not been written to the unit nor read
    // from it since. A Write or Read that succeeded clears the rows it covered, except those
    // edited again after `upTo` (an EditSerial() taken when it started): what it sent or read
    // is not what they hold now.
    std::size_t PendingCount() const;
    void ClearPending(const std::vector<std::string>& names,
                      std::uint64_t upTo = std::numeric_limits<std::uint64_t>::max());
    // Grows with every accepted edit.
    std::uint64_t EditSerial() const { return editSerial_; }

    // Accepting an edited cell. Each returns true when the parameter took the value; a
    // refused edit shows its message (if any) and the cell shows the stored value again.
    // Edits of disabled rows, of a row of another kind or of a row whose parameter is gone
    // are refused without a message.
    bool AcceptText(std::size_t row, std::string_view text);
    // The text as the number editor holds it, read as a C-style decimal number.
    bool AcceptNumber(std::size_t row, std::string_view text);
    bool AcceptNumber(std::size_t row, std::uint32_t value);
    bool AcceptChoice(std::size_t row, int index);

    // The page's unit address: the "UnitAddress" value when the list was filled, and each
    // accepted "UnitAddress" since.
    std::uint32_t UnitAddress() const { return unitAddress_; }

    // Called after an accepted edit (the document is then modified), after an accepted
    // "UnitAddress" with the new address, and after the block took a new name.
    void SetEditedListener(std::function<void()> listener) { edited_ = std::move(listener); }
    void SetUnitAddressListener(std::function<void(std::uint32_t)> listener) {
        unitAddressChanged_ = std::move(listener);
    }
    void SetRenamedListener(std::function<void(Block&)> listener) {
        renamed_ = std::move(listener);
    }

  private:
    Parameter* RowParameter(std::size_t row);
    void ShowValue(PropertyRow& row, const Parameter& parameter) const;
    bool RestrictionsSet() const;
    void Edited(std::size_t row);

    Block& block_;
    UnitFacts& facts_;
    Prompter& prompter_;
    std::vector<PropertyRow> rows_;
    std::uint32_t unitAddress_ = 0;
    bool headerChecked_ = true;
    std::function<void()> edited_;
    std::uint64_t editSerial_ = 0;
    // The serial of each row's last edit, kept when the rows are made again.
    std::map<std::string, std::uint64_t, std::less<>> editedAt_;
    std::function<void(std::uint32_t)> unitAddressChanged_;
    std::function<void(Block&)> renamed_;
};

// The cell kind of a parameter.
CellKind CellKindOf(const Parameter& parameter);

// The entry a list cell shows for a parameter: the last choice whose value equals the
// parameter's value, the first when none does.
int ShownChoice(const Parameter& parameter);

}  // namespace skelvane
