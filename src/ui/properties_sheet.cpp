#include "ui/properties_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/diagnostics_page_view.h"
#include "ui/qt_prompter.h"
#include "ui/restrictions_page_view.h"
#include "ui/settings_page_view.h"
#include "ui/target_label.h"

namespace skelvane {
namespace {

constexpr int kTargetRefreshMs = 200;

}  // namespace

PropertiesSheet::PropertiesSheet(const PropertiesContext& context, QWidget* parent)
    : QDialog(parent), prompter_(context.prompter), block_(context.block) {
    target_ = new TargetLabel(*this, QStringLiteral("Properties"));
    tabs_ = new QTabWidget(this);
    settings_ = new SettingsPageView(context.block, context.ports, context.portName, context.facts,
                                     context.remoteUa, prompter_, context.clock, tabs_);
    diagnostics_ = new DiagnosticsPageView(context.block, context.ports, context.portName,
                                           context.remoteUa, prompter_, context.clock, tabs_);
    restrictions_ = new RestrictionsPageView(context.block, context.ports, context.portName,
                                             context.facts, context.restrictions, context.remoteUa,
                                             prompter_, context.clock, tabs_);
    pages_ = {settings_, diagnostics_, restrictions_};
    tabs_->addTab(settings_, QStringLiteral("Settings"));
    tabs_->addTab(diagnostics_, QStringLiteral("Diagnostics"));
    tabs_->addTab(restrictions_, QStringLiteral("Restrictions && Repeaters"));
    connect(settings_, &SettingsPageView::blockRenamed, this, &PropertiesSheet::blockRenamed);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target_);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
    resize(820, 680);

    current_ = tabs_->currentIndex();
    connect(tabs_, &QTabWidget::currentChanged, this, &PropertiesSheet::pageChanged);

    // The Local/Remote choice and the unit address change on the pages in many ways (a click,
    // an edit, a reply); the line above them follows within a moment.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &PropertiesSheet::refreshTarget);
    refresh->start(kTargetRefreshMs);
    refreshTarget();
}

void PropertiesSheet::refreshTarget() {
    target_->setBlockName(fromLatin1(block_.Name()));
    if (const PropertyPage* shown = page(current_)) {
        target_->setTarget(shown->targetLocal(), shown->targetUnit());
    }
}

PropertiesSheet::~PropertiesSheet() {
    closePages();
    // The pages' workers are joined as the pages go, before the prompter they may call.
    delete tabs_;
    tabs_ = nullptr;
}

PropertyPage* PropertiesSheet::page(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= pages_.size()) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)];
}

void PropertiesSheet::showPage(int index) {
    tabs_->setCurrentIndex(index);
}

bool PropertiesSheet::busy() const {
    for (const PropertyPage* p : pages_) {
        if (p->busy()) {
            return true;
        }
    }
    return false;
}

void PropertiesSheet::pageChanged(int index) {
    if (PropertyPage* left = page(current_)) {
        left->leave();
    }
    current_ = index;
    if (PropertyPage* active = page(index)) {
        active->activate();
    }
    refreshTarget();
}

void PropertiesSheet::done(int result) {
    closePages();
    QDialog::done(result);
}

void PropertiesSheet::closePages() {
    if (closed_) {
        return;
    }
    closed_ = true;
    // First release a worker that waits for an answer, then stop them all.
    prompter_.shutDown();
    for (PropertyPage* p : pages_) {
        p->closePage();
    }
}

}  // namespace skelvane
