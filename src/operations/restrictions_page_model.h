#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/block.h"
#include "document/unit_facts.h"
#include "restrictions/restriction_table.h"

namespace skelvane {

// The "Restrictions & Repeaters" page without its window: the list of a block's restriction
// entries and repeater list, the selection the "Zones" button works on, committing edited
// values, and the button's enabled state. Lives on the window thread; the exchange worker
// works on its own copy of the parameters and the page refreshes afterwards.
class RestrictionsPageModel {
  public:
    struct Row {
        std::string name;               // the parameter's name
        std::string description;        // "Description" column
        std::string value;              // "Value" column, as shown
        std::optional<int> entryIndex;  // restriction rows: 0 to 15; the repeater row: none
    };

    RestrictionsPageModel(Block& block, RestrictionState& state, const UnitFacts& facts);

    // The group box's title: the block's name, at most 99 characters.
    std::string Title() const;
    // "&Local" is chosen at first unless the block's "OperatingMode" is set and not 0.
    bool InitiallyLocal() const;

    // One row for each restriction parameter numbered 1 to 16 and each repeater parameter,
    // in the block's parameter order.
    const std::vector<Row>& Rows() const { return rows_; }
    // Every row's value again from its parameter.
    void Refresh();
    // The value of the row of that parameter again (a value a unit just reported).
    void RefreshRow(std::string_view name);

    // A click on row `row`; a click beside the rows (an index past them) changes nothing.
    void SelectRow(std::size_t row);
    // Entry index of the restriction row selected last; none before any selection and after
    // selecting the repeater row.
    std::optional<int> SelectedEntry() const;

    // The list accepted a new text for `row`: an empty text becomes "0", it is validated as
    // an entry or a repeater list, and only a valid text is stored (unchanged) into the
    // parameter of that name. A refused text leaves the row showing the stored one.
    bool CommitEdit(std::size_t row, std::string_view text, Prompter& prompter);

    // "Zones": enabled from the unit facts when the page becomes active and after a Read
    // that did not fail; disabled while another page is active.
    void Activate() { UpdateZonesButton(); }
    void Deactivate() { zonesEnabled_ = false; }
    void UpdateZonesButton();
    bool ZonesEnabled() const { return zonesEnabled_; }
    // Whether pressing "Zones" opens the preset dialog: only with a restriction row
    // selected last.
    bool ZonesOpensDialog() const;
    // The dialog's result after OK, applied to the selected row like an edit.
    bool ApplyZoneResult(std::string_view text, Prompter& prompter);

  private:
    Block& block_;
    RestrictionState& state_;
    const UnitFacts& facts_;
    std::vector<Row> rows_;
    std::optional<std::size_t> selectedRow_;
    bool zonesEnabled_ = false;
};

}  // namespace skelvane
