// What a window shows while a backup or restore copies: the wait cursor for
// the whole copy and, once a copy has run for a moment, a progress bar, with
// the window repainted as the copy goes on.
#pragma once

#include <QElapsedTimer>

#include "backup/file_copy.h"
#include "ui/wait_cursor.h"

class QProgressBar;

namespace backupui {

class CopyFeedback {
  public:
    // `bar` is shown only when a copy takes long, and hidden again after.
    explicit CopyFeedback(QProgressBar* bar);
    ~CopyFeedback();
    CopyFeedback(const CopyFeedback&) = delete;
    CopyFeedback& operator=(const CopyFeedback&) = delete;

    backup::Progress progress();

  private:
    bool report(qint64 done, qint64 total);

    ui::WaitCursor wait_;
    QProgressBar* bar_;
    QElapsedTimer started_, painted_;
};

}  // namespace backupui
