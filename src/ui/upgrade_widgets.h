#pragma once

#include <QString>
#include <cstddef>
#include <mutex>
#include <string>

#include "ui/transfer_progress.h"

class QProgressBar;
class QWidget;

namespace skelvane {

// What the upgrade dialogs share.

// The open-file dialog of a firmware image ("Binary Files (*.bin)", "All Files (*.*)");
// empty when the user cancels.
QString askFirmwareFile(QWidget* parent, const QString& current);
// The save-file dialog of the upgrade log ("Text Files (*.txt)", "All Files (*.*)"), with
// the question before an existing file is replaced; empty when the user cancels.
QString askLogFile(QWidget* parent, const QString& current);

// A file name from a dialog or an edit box as the core keeps it (the file system's own
// encoding), and back.
std::string toFileName(const QString& path);
QString fromFileName(const std::string& name);

// The button's text for the model's: "Program" keeps its mnemonic.
QString programText(const std::string& modelText);

// Block counts from the worker's thread, shown on the GUI thread: the worker reports, the
// window takes the state when it refreshes.
class ProgressFeed {
  public:
    void report(std::size_t done, std::size_t total);
    void reset();
    TransferProgress state() const;

  private:
    mutable std::mutex mutex_;
    TransferProgress progress_;
};

// A progress bar set up for block counts, and showing a state.
QProgressBar* makeProgressBar(QWidget* parent = nullptr);
void showProgress(QProgressBar& bar, const TransferProgress& progress);

}  // namespace skelvane
