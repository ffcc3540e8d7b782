#include "MainWindowPlace.h"

#include <QStringList>
#include <algorithm>

#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kFields = 5;
// A window smaller than this is taken for a broken entry.
constexpr int kSmallestSide = 100;

}  // namespace

std::optional<MainWindowPlace> ParseMainWindowPlace(const QString& text) {
    const QStringList fields = text.split(',');
    if (fields.size() != kFields) {
        return std::nullopt;
    }
    int numbers[kFields] = {};
    for (int i = 0; i < kFields; ++i) {
        const std::optional<std::int64_t> n = ReadInteger(fields[i].toStdString());
        if (!n || *n < -100000 || *n > 100000) {
            return std::nullopt;
        }
        numbers[i] = static_cast<int>(*n);
    }
    if (numbers[2] < kSmallestSide || numbers[3] < kSmallestSide) {
        return std::nullopt;
    }
    return MainWindowPlace{QRect(numbers[0], numbers[1], numbers[2], numbers[3]), numbers[4] != 0};
}

QString FormatMainWindowPlace(const MainWindowPlace& place) {
    const QRect& r = place.normal;
    return QString("%1,%2,%3,%4,%5")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .arg(place.maximised ? 1 : 0);
}

MainWindowPlace StartPlace(const std::optional<MainWindowPlace>& saved, const QRect& available) {
    if (!saved || !saved->normal.intersects(available)) {
        return {available, true};
    }
    QRect normal = saved->normal;
    normal.setWidth(std::min(normal.width(), available.width()));
    normal.setHeight(std::min(normal.height(), available.height()));
    normal.moveLeft(
        std::clamp(normal.left(), available.left(), available.right() + 1 - normal.width()));
    normal.moveTop(
        std::clamp(normal.top(), available.top(), available.bottom() + 1 - normal.height()));
    return {normal, saved->maximised};
}

}  // namespace morlo::gui
