// SPDX-License-Identifier: MIT
#ifndef TAVREL_GENERATE_PACK_H
#define TAVREL_GENERATE_PACK_H

#include <QString>

struct PackOptions
{
    int files = 200;
    int items = 50000;
    quint32 seed = 20261207;
};

struct PackSummary
{
    int files = 0;
    int itemDefinitions = 0;
    int otherSections = 0;
    int duplicates = 0;
    int missingResources = 0;
    int twoSkills = 0;
};

PackSummary generatePack(const QString &root, const PackOptions &options);

#endif
