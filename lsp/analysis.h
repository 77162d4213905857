// SPDX-License-Identifier: MIT
#ifndef TAVREL_LSP_ANALYSIS_H
#define TAVREL_LSP_ANALYSIS_H

#include "core/check/checks.h"
#include "core/crossref/crossref.h"
#include "core/load/scriptload.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>

namespace tavrel::lsp {

// A load of the whole workspace and its checks, with the cross-references made when first
// asked for.
class Analysis
{
public:
    Analysis(LoadedScripts &&loaded, const CheckOptions &options);
    ~Analysis();
    Analysis(const Analysis &) = delete;
    Analysis &operator=(const Analysis &) = delete;

    const LoadedScripts loaded;
    const CheckResult result;

    // The index of a file in the load, or -1.
    int fileIndex(const QString &path) const { return files.value(path, -1); }
    const QString &path(int file) const { return loaded.files.at(file); }

    const UsageIndex &usage() const;
    const NamingIndex &naming() const;
    MaterialCosts &costs() const;

private:
    QHash<QString, int> files;
    mutable std::unique_ptr<UsageIndex> usageIndex;
    mutable std::unique_ptr<NamingIndex> namingIndex;
    mutable std::unique_ptr<MaterialCosts> materialCosts;
};

// A name written in a file: in lower case as names compare, where it starts and its length in
// characters.
struct NameAt
{
    QString name;
    TextPosition position;
    int length = 0;
};

// The name defined or named at a place of a file, as the load read it: a definition, a
// reference, or an entry of an item's RESOURCES or SKILLMAKE.
std::optional<NameAt> nameAt(const Analysis &analysis, const QString &path, TextPosition place);

} // namespace tavrel::lsp

#endif
