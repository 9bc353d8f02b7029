#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <cstdint>
#include <vector>

// Ordering of texts by the Russian collation (the "ru_RU" locale), as the grid
// sorts and groups them.
namespace gridcollation {

// Compares two texts: negative, zero or positive. Texts that collate equal but
// differ are ordered by their characters, so only equal texts compare equal.
int compare(QStringView a, QStringView b);

// Ranks of code page 1251 texts: ranks[i] for texts[i], from 0, in the order
// of compare(); equal texts share a rank. The sort keys are made once per text and compared as
// bytes, so ranking a million texts takes no per-comparison allocation.
std::vector<std::uint32_t> rank(const std::vector<QByteArrayView>& texts);

} // namespace gridcollation
