// SPDX-License-Identifier: MIT
#ifndef TAVREL_PACEDPROGRESS_H
#define TAVREL_PACEDPROGRESS_H

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QProgressDialog>

class QWidget;

// A progress dialog for long operations that process events at every step (the load takes
// three steps per item definition, the report of a skill one per item). Repainting at every
// step would cost more than the step itself, so the progress bar and the given panes are
// repainted twenty times a second instead; the dialog's value is exact at every step.
class PacedProgress
{
public:
    PacedProgress(QWidget *window, QWidget *panes = nullptr);
    ~PacedProgress();
    PacedProgress(const PacedProgress &) = delete;
    PacedProgress &operator=(const PacedProgress &) = delete;

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
