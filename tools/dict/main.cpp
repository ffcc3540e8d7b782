// Lists the object dictionary of the working folder (the current directory) the way the
// program loads it: data/TARNEX.dat in the language of sys/sys.ini [sys] lang.

#include <cstdio>
#include <filesystem>
#include <string>

#include "dictionary/ObjectDictionary.h"
#include "profile/Profile.h"

namespace {

class StderrSink : public morlo::MessageSink {
  public:
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path work = std::filesystem::current_path();
    const auto sysIni = work / "sys" / "sys.ini";
    int language = morlo::Profile::ReadInt(sysIni, "sys", "lang", 4);
    if (argc > 1 && std::string(argv[1]) == "--english") {
        language = 2;
    }
    StderrSink sink;
    morlo::ObjectDictionary dictionary;
    if (!dictionary.LoadFile(work / "data" / "TARNEX.dat", language, &sink)) {
        return 1;
    }
    for (int i = 0; i < dictionary.GetCount(); ++i) {
        morlo::DictionaryEntry e;
        dictionary.GetAt(i, e);
        std::printf("%04X:%02X  %-14s %-4s %-40s %s\n", static_cast<unsigned>(e.index), e.subIndex,
                    e.dataType.c_str(), e.attribute.c_str(), e.name.c_str(), e.unitSpec.c_str());
    }
    std::printf("%d objects\n", dictionary.GetCount());
    return 0;
}
