// SPDX-License-Identifier: MIT
#include "app/pacedprogress.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStyleOptionProgressBar>

namespace {

// At every step the bar decides whether to repaint by formatting its percentage text and asking
// its style for its groove, which measures that text anew. Both answers only change with the
// percentage, the range, the format, the font or the bar's size, so they are remembered.
class GrooveStyle : public QProxyStyle
{
public:
    QRect subElementRect(SubElement element, const QStyleOption *option,
                         const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionProgressBar *>(option);
        if (!bar || element != SE_ProgressBarGroove)
            return QProxyStyle::subElementRect(element, option, widget);
        if (!cached || bar->rect != rect || bar->text != text || bar->textVisible != textVisible ||
            bar->state != state || !(bar->fontMetrics == fontMetrics)) {
            rect = bar->rect;
            text = bar->text;
            textVisible = bar->textVisible;
            state = bar->state;
            fontMetrics = bar->fontMetrics;
            groove = QProxyStyle::subElementRect(element, option, widget);
            cached = true;
        }
        return groove;
    }

private:
    mutable bool cached = false;
    mutable QRect rect;
    mutable QString text;
    mutable bool textVisible = false;
    mutable QStyle::State state;
    mutable QFontMetrics fontMetrics{QFont()};
    mutable QRect groove;
};

class ProgressBar : public QProgressBar
{
public:
    ProgressBar()
    {
        // Parented to the bar, so it outlives the widget's own destructor.
        auto *style = new GrooveStyle;
        style->setParent(this);
        setStyle(style);
    }

    QString text() const override
    {
        // The text shows the value only through its whole percentage, unless the format asks
        // for the value or the step count themselves.
        const qint64 steps = qint64(maximum()) - minimum();
        const bool exact = format().contains(QLatin1String("%v"));
        const int percentage =
            steps == 0 ? 100 : int((qint64(value()) - minimum()) * 100.0 / steps);
        const Key key{exact ? value() : percentage,
                      value() < minimum(),
                      minimum(),
                      maximum(),
                      format(),
                      locale()};
        if (!cached || !(key == textKey)) {
            textKey = key;
            cachedText = QProgressBar::text();
            cached = true;
        }
        return cachedText;
    }

private:
    struct Key
    {
        int shown;
        bool belowMinimum;
        int minimum;
        int maximum;
        QString format;
        QLocale locale;
        bool operator==(const Key &other) const
        {
            return shown == other.shown && belowMinimum == other.belowMinimum &&
                   minimum == other.minimum && maximum == other.maximum && format == other.format &&
                   locale == other.locale;
        }
    };

    mutable bool cached = false;
    mutable Key textKey{};
    mutable QString cachedText;
};

} // namespace

PacedProgress::PacedProgress(QWidget *window, QWidget *panes) : progress(window, Qt::WindowFlags())
{
    auto *bar = new ProgressBar;
    progress.setBar(bar);
    paced = {bar, panes};
    setUpdatesEnabled(false);
    clock.start();
}

PacedProgress::~PacedProgress()
{
    setUpdatesEnabled(true);
}

void PacedProgress::processEvents()
{
    const qint64 now = clock.nsecsElapsed();
    if (now - lastPaint < paintInterval) {
        QCoreApplication::processEvents();
        return;
    }
    lastPaint = now;
    setUpdatesEnabled(true);
    QCoreApplication::processEvents();
    setUpdatesEnabled(false);
}

void PacedProgress::step()
{
    progress.setValue(progress.value() + 1);
    processEvents();
}

void PacedProgress::setUpdatesEnabled(bool enabled)
{
    for (QWidget *widget : std::as_const(paced)) {
        if (widget)
            widget->setUpdatesEnabled(enabled);
    }
}
