#pragma once

#include <QWidget>

namespace skelvane {

// A page of the "Properties" sheet. The sheet tells a page when it becomes the active page and
// when the user leaves it, and asks every page to close (stopping its worker) before the sheet
// goes away.
class PropertyPage : public QWidget {
    Q_OBJECT

  public:
    using QWidget::QWidget;

    virtual void activate() = 0;
    virtual void leave() = 0;
    // Stops a running worker, waiting a bounded time for it.
    virtual void closePage() = 0;
    // Whether the page's worker is running.
    virtual bool busy() const = 0;
};

}  // namespace skelvane
