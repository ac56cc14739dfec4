#pragma once

#include <QVariant>
#include <memory>
#include <string>

#include "document/block.h"
#include "operations/settings_page_model.h"
#include "ui/property_page.h"

class QPushButton;
class QCheckBox;
class QRadioButton;

namespace skelvane {

class Block;
class Clock;
class CurrentRemoteUa;
class LogView;
class PortFactory;
class Prompter;
class PropertyTable;
class WorkerPump;
struct UnitFacts;

// The "Settings" page: the block's parameter list, Local/Remote, the action buttons, the log
// and "&Clear Log", over a SettingsPageModel. The worker's results reach the widgets through a
// WorkerPump on the GUI thread.
class SettingsPageView : public LinkedPropertyPage<SettingsPageModel> {
    Q_OBJECT

  public:
    SettingsPageView(Block& block, const PortFactory& ports, const std::string& portName,
                     UnitFacts& facts, CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock,
                     QWidget* parent = nullptr);
    ~SettingsPageView() override;

    void activate() override;
    void leave() override;

    PropertyTable* table() const { return table_; }
    QPushButton* readAllButton() const { return readAll_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* serialButton() const { return serial_; }
    QPushButton* versionButton() const { return version_; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* defaultButton() const { return default_; }
    QPushButton* compareButton() const { return compare_; }

  signals:
    // An accepted "UnitAddress" gave the block a new name.
    void blockRenamed(Block* block);

  private:
    void start(bool (SettingsPageModel::*button)());
    void chooseDefault();
    void acceptEdit(int row, const QVariant& value);
    void updateFromWorker() override;
    void updateButtons();

    Block& block_;
    Prompter& prompter_;
    PropertyTable* table_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* serial_ = nullptr;
    QPushButton* version_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* default_ = nullptr;
    QPushButton* compare_ = nullptr;
};

}  // namespace skelvane
