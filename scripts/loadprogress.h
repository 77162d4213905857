#ifndef TAVREL_LOADPROGRESS_H
#define TAVREL_LOADPROGRESS_H

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QProgressDialog>

class QWidget;

// The load's progress dialog. A load takes three progress steps per item definition, and
// repainting after every step would cost more than the step itself: the main window's panes
// and the progress bar are repainted about twenty times a second instead. Events are still
// processed at every step, so Cancel, the menus and the dialog's value stay live.
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
    QList<QPointer<QWidget>> paced;
    QElapsedTimer clock;
};

#endif
