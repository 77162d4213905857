#ifndef TAVREL_LOADPROGRESS_H
#define TAVREL_LOADPROGRESS_H

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QProgressDialog>

class QWidget;

// The load's progress dialog. A load takes three progress steps per item definition and
// processes events at each; repainting at each would cost more than the step itself, so the main
// window's panes and the progress bar are repainted twenty times a second instead. The dialog's
// value, the trees and the cancellation checks are exact at every step.
class LoadProgress
{
public:
    LoadProgress(QWidget *window, QWidget *panes);
    ~LoadProgress();
    LoadProgress(const LoadProgress &) = delete;
    LoadProgress &operator=(const LoadProgress &) = delete;

    QProgressDialog &dialog() { return progress; }
    bool canceled() const { return progress.wasCanceled(); }
    void processEvents();
    // Advances the dialog by one and processes events.
    void step();

private:
    void setUpdatesEnabled(bool enabled);

    QProgressDialog progress;
    static constexpr qint64 paintInterval = 50 * 1000 * 1000;

    QList<QPointer<QWidget>> paced;
    QElapsedTimer clock;
    qint64 lastPaint = 0;
};

#endif
