#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "EditListCtrl.h"
#include "GuiTestSupport.h"
#include "PageTable.h"
#include "ParameterPage.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "profile/Profile.h"

namespace morlo::gui::test {

inline DictionarySource Source() {
    return LoadDictionarySource(std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" /
                                "dictionary");
}

// The program on the simulated drive; the drive may lack some objects the tool knows.
class DriveProgram {
  public:
    explicit DriveProgram(std::vector<ObjectKey> missingInDrive = {},
                          std::function<void(WorkingFolder&)> prepare = {})
        : drive(MakeDrive(missingInDrive)),
          program(
              false,
              [prepare](WorkingFolder& f) {
                  Profile::WriteString(f.SysIni(), "sys", "comm", "7");
                  if (prepare) {
                      prepare(f);
                  }
              },
              drive) {
        EXPECT_TRUE(program.Context().Dictionary().WaitUntilLoaded(std::chrono::seconds(10)));
    }
    static std::shared_ptr<sim::SimulatedDrive> MakeDrive(const std::vector<ObjectKey>& missing) {
        DictionarySource source = Source();
        std::erase_if(source.objects, [&](const SourceObject& o) {
            return std::find(missing.begin(), missing.end(), o.Key()) != missing.end();
        });
        return std::make_shared<sim::SimulatedDrive>(source);
    }
    void OpenLink() {
        program.Frame().ToggleLink();
        ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }));
    }
    ParameterPage* Page(int command) {
        program.Frame().OpenPage(command);
        const PageKind* kind = PageKindOfCommand(command);
        return qobject_cast<ParameterPage*>(program.Frame().PageOf(kind->slot));
    }
    std::shared_ptr<sim::SimulatedDrive> drive;
    RunningProgram program;
};

inline int RowOf(ParameterPage* page, ObjectKey key) {
    return ValueConversion::FindRow(*page->List(), key).row;
}

inline bool AllValuesShown(ParameterPage* page) {
    for (int row = 0; row < page->List()->RowCount(); ++row) {
        if (page->List()->Text(row, kColumnValue).isEmpty()) {
            return false;
        }
    }
    return true;
}

}  // namespace morlo::gui::test
