#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "document/block.h"
#include "ui/worker_prompter.h"

class QDialogButtonBox;
class QTabWidget;

namespace skelvane {

class Block;
class Clock;
class CurrentRemoteUa;
class DiagnosticsPageView;
class PortFactory;
class Prompter;
class PropertyPage;
class RestrictionState;
class RestrictionsPageView;
class SettingsPageView;
class TargetLabel;
struct UnitFacts;

// What the "Properties" sheet works with: the block, the port of the status bar and the
// program's factory that opens it, the
// program-wide unit facts, current remote UA and restriction lists, where messages go, and
// the clock of every wait.
struct PropertiesContext {
    Block& block;
    const PortFactory& ports;
    std::string portName;
    UnitFacts& facts;
    CurrentRemoteUa& remoteUa;
    RestrictionState& restrictions;
    Prompter& prompter;
    Clock& clock;
};

// The "Properties" sheet of a block: "Settings", "Diagnostics" and "Restrictions & Repeaters".
// Switching pages tells the page being left (Settings publishes its unit address then) and
// the page becoming active (the others take that address). Closing the sheet stops every
// page's worker; a worker waiting for an answer to a message gets the safe answer first.
class PropertiesSheet : public QDialog {
    Q_OBJECT

  public:
    explicit PropertiesSheet(const PropertiesContext& context, QWidget* parent = nullptr);
    ~PropertiesSheet() override;

    QTabWidget* pages() const { return tabs_; }
    SettingsPageView* settings() const { return settings_; }
    DiagnosticsPageView* diagnostics() const { return diagnostics_; }
    RestrictionsPageView* restrictions() const { return restrictions_; }
    PropertyPage* page(int index) const;
    // Shows page `index` as the user would by clicking its tab.
    void showPage(int index);
    // Whether any page's worker runs.
    bool busy() const;

  public slots:
    void done(int result) override;

  signals:
    void blockRenamed(Block* block);

  private:
    void pageChanged(int index);
    void closePages();
    // Shows the block's name in the title and the current page's target above the pages.
    void refreshTarget();

    WorkerPrompter prompter_;
    Block& block_;
    TargetLabel* target_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    SettingsPageView* settings_ = nullptr;
    DiagnosticsPageView* diagnostics_ = nullptr;
    RestrictionsPageView* restrictions_ = nullptr;
    std::vector<PropertyPage*> pages_;
    int current_ = 0;
    bool closed_ = false;
};

}  // namespace skelvane
