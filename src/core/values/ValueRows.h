#pragma once

#include <string>

#include "common/ObjectKey.h"

namespace morlo {

// Columns of a page's object list.
inline constexpr int kColumnNumber = 0;
inline constexpr int kColumnKey = 1;  // ObjectKey in decimal (hidden)
inline constexpr int kColumnName = 2;
inline constexpr int kColumnDataType = 3;  // hidden
inline constexpr int kColumnValue = 4;
inline constexpr int kColumnAttribute = 5;  // hidden
inline constexpr int kColumnUnit = 6;
inline constexpr int kColumnCount = 7;

// The list a page keeps, as the value conversions see it.
class ValueRows {
  public:
    virtual ~ValueRows() = default;
    virtual int RowCount() const = 0;
    virtual std::string CellText(int row, int column) const = 0;
    // The first row whose key column holds the key in decimal, or -1. Lists may answer faster
    // than this walk over the texts.
    virtual int RowOfKey(ObjectKey key) const;
};

}  // namespace morlo
