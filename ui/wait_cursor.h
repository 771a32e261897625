// The hourglass: a guard that shows the wait cursor for as long as it lives,
// so the cursor comes back even when the operation inside throws.
#pragma once

#include <QApplication>
#include <QCursor>

namespace ui {

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ui
