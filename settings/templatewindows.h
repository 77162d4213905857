// SPDX-License-Identifier: MIT
#ifndef TAVREL_TEMPLATEWINDOWS_H
#define TAVREL_TEMPLATEWINDOWS_H

#include <QString>

class QWidget;

// Shows `window` and returns once it has been hidden (closing it hides it). Events keep being
// processed meanwhile, so every other window stays usable; the wait sleeps until events come.
void waitUntilClosed(QWidget *window);

// Shows `text` as source in a plain-text editor window and returns the text it holds once the
// window has been closed.
QString editTemplate(const QString &text);

// The sample item the preview renders with the item template.
QString previewSampleName();
QString previewSampleResources();
QString previewSampleSkillmake();

// Header, one item row of the sample item, end: the preview's HTML.
QString previewHtml(const QString &h1, const QString &h2, const QString &h3);

// Renders previewHtml() in a browser window and returns once it has been closed.
void showPreview(const QString &h1, const QString &h2, const QString &h3);

#endif
