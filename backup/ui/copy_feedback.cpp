#include "backup/ui/copy_feedback.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace backupui {

namespace {

// A copy shorter than this shows the wait cursor alone.
constexpr qint64 kShowBarAfterMs = 400;
// The window repaints at most this often while a copy runs.
constexpr qint64 kRepaintEveryMs = 50;

}  // namespace

CopyFeedback::CopyFeedback(QProgressBar* bar) : bar_(bar) {
    started_.start();
    painted_.start();
    if (bar_) {
        bar_->setRange(0, 1000);
        bar_->setValue(0);
    }
}

CopyFeedback::~CopyFeedback() {
    if (bar_)
        bar_->hide();
}

backup::Progress CopyFeedback::progress() {
    return [this](qint64 done, qint64 total) { return report(done, total); };
}

bool CopyFeedback::report(qint64 done, qint64 total) {
    if (painted_.elapsed() < kRepaintEveryMs)
        return true;
    painted_.restart();
    if (bar_ && started_.elapsed() >= kShowBarAfterMs) {
        bar_->show();
        bar_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
    }
    // The user cannot start anything meanwhile: the window only repaints.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

}  // namespace backupui
