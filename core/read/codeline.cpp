// SPDX-License-Identifier: MIT
#include "core/read/codeline.h"

namespace tavrel {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

CodeLine splitCode(const Script &script, const ScriptLine &line)
{
    const QStringView text = script.text;
    const qsizetype start = line.key.start;
    const qsizetype end = line.value.start + line.value.length;
    qsizetype verbEnd = start;
    // Unmatched closing brackets do not count: the server's own split ignores them.
    int depth = 0;
    bool quoted = false;
    for (; verbEnd < end; ++verbEnd) {
        const char16_t c = text.at(verbEnd).unicode();
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'(' || c == u'[' || c == u'{') {
            ++depth;
        } else if (c == u')' || c == u']' || c == u'}') {
            depth -= depth > 0;
        } else if (depth == 0 && (c == u'=' || c == u',' || isBlank(QChar(c)))) {
            break;
        }
    }
    qsizetype arguments = verbEnd;
    while (arguments < end && isBlank(text.at(arguments)))
        ++arguments;
    if (arguments < end && (text.at(arguments) == u'=' || text.at(arguments) == u',')) {
        ++arguments;
        while (arguments < end && isBlank(text.at(arguments)))
            ++arguments;
    }
    return CodeLine{TextSpan{start, verbEnd - start}, TextSpan{arguments, end - arguments}};
}

} // namespace tavrel
