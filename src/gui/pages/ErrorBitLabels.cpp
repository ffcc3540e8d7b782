#include "ErrorBitLabels.h"

#include <QCoreApplication>
#include <QStringList>
#include <array>

#include "PageConstants.h"

namespace morlo::gui {
namespace {

constexpr const char* kContext = "ErrorBits";

constexpr std::array<const char*, page::kErrorBitCount> kLabels{
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器内部错误"),
    QT_TRANSLATE_NOOP("ErrorBits", "编码器ABN信号错误"),
    QT_TRANSLATE_NOOP("ErrorBits", "编码器UVW信号错误"),
    QT_TRANSLATE_NOOP("ErrorBits", "编码器计数错误"),
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器温度过高"),
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器总线电压过高400v"),
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器总线电压过低120v"),
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器输出短路"),
    QT_TRANSLATE_NOOP("ErrorBits", "驱动器制动电阻异常"),
    QT_TRANSLATE_NOOP("ErrorBits", "实际跟踪误差超过允许值"),
    QT_TRANSLATE_NOOP("ErrorBits", "逻辑电压过低18v"),
    QT_TRANSLATE_NOOP("ErrorBits", "I2*T故障"),
    QT_TRANSLATE_NOOP("ErrorBits", "输入脉冲频率过高"),
    QT_TRANSLATE_NOOP("ErrorBits", "保留备用"),
    QT_TRANSLATE_NOOP("ErrorBits", "寻找电机错误"),
    QT_TRANSLATE_NOOP("ErrorBits", "EEPROM内部错误"),
};

}  // namespace

QString ErrorBitLabel(int bit) {
    if (bit < 0 || bit >= page::kErrorBitCount) {
        return {};
    }
    return QCoreApplication::translate(kContext, kLabels[static_cast<std::size_t>(bit)]);
}

QString ErrorCodeText(std::uint16_t code) {
    QStringList texts;
    for (int bit = 0; bit < page::kErrorBitCount; ++bit) {
        if ((code & (1u << bit)) != 0) {
            texts << ErrorBitLabel(bit);
        }
    }
    return texts.join('+');
}

}  // namespace morlo::gui
