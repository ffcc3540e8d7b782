#include "LanguageDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "AppConstants.h"
#include "AppContext.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {
constexpr std::size_t kLangBuffer = 4;
}

CLanguageDialog::CLanguageDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(tr("语言切换"));
    chinese_ = new QRadioButton(tr("简体中文"), this);
    english_ = new QRadioButton("English", this);
    // Either, or neither when sys.ini holds something else: exclusive by hand.
    chinese_->setAutoExclusive(false);
    english_->setAutoExclusive(false);
    connect(chinese_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            english_->setChecked(false);
        }
    });
    connect(english_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            chinese_->setChecked(false);
        }
    });
    auto* note = new QLabel(tr("应用程序重启, 设置才有效"), this);
    auto* ok = new QPushButton(tr("确定"), this);
    auto* cancel = new QPushButton(tr("取消"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CLanguageDialog::Confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chinese_);
    layout->addWidget(english_);
    layout->addWidget(note);
    layout->addWidget(ok);
    layout->addWidget(cancel);

    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    if (context_.systemChinese != kSystemChinese) {
        Profile::WriteString(sysIni, "sys", "lang", "2");
    }
    const std::string lang = Profile::ReadString(sysIni, "sys", "lang", kLangBuffer);
    chinese_->setChecked(lang == "1");
    english_->setChecked(lang == "2");
    ok->setFocus();
}

void CLanguageDialog::Confirm() {
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    if (chinese_->isChecked() && context_.systemChinese != kSystemChinese) {
        ShowMessage(msg::kChineseUnsupported);
        chinese_->setChecked(false);
        english_->setChecked(true);
        return;
    }
    bool saved = true;
    if (chinese_->isChecked()) {
        saved = Profile::WriteString(sysIni, "sys", "lang", "1");
    } else if (english_->isChecked()) {
        saved = Profile::WriteString(sysIni, "sys", "lang", "2");
    }
    if (!saved) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
    accept();
}

}  // namespace morlo::gui
