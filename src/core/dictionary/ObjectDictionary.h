#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <unordered_map>

#include "common/MessageSink.h"
#include "dictionary/DictionaryEntry.h"

namespace morlo {

// Message texts of the database load.
inline constexpr const char* kMsgLoadThreadFailed = "Create Load SDO thread failure! \n";
inline constexpr const char* kMsgDatabaseUnreadable = "Couldn't load DB file!! \n";

// What a database load found wrong; whatever loaded before the problem stays usable.
enum class DatabaseProblem {
    None,
    Missing,
    NotAFile,       // a directory or another special file
    Unreadable,     // no permission, or a read failed part way
    PartialRecord,  // the size is no whole number of records: the file was cut or is foreign
    NoObjects,      // nothing usable in it (empty, or the first index is 0)
};

struct DatabaseLoad {
    DatabaseProblem problem = DatabaseProblem::None;
    int objects = 0;  // entries appended by this load
    explicit operator bool() const { return problem == DatabaseProblem::None; }
};

// A sentence for the command line: "data/TARNEX.dat: 9020 bytes are no whole number of ...".
std::string DescribeDatabaseLoad(const std::filesystem::path& path, const DatabaseLoad& load);

// The global list of drive objects, in database order, filled once by a load thread.
// Lookups are safe at any time; during the load they see the entries appended so far.
class ObjectDictionary {
  public:
    // Prefix of the project-file section names the pages write.
    static constexpr const char* kProjectSectionPrefix = "MorloSero:";

    struct LoadSettings {
        std::filesystem::path databasePath;
        // The text of [sys] lang; empty while it cannot be read.
        std::function<std::string()> readLanguageText;
        // The program's language setting; the load thread stores the value it read and,
        // while it is 3 (being chosen), waits for somebody else to change it.
        std::atomic<int>* language = nullptr;
        MessageSink* messages = nullptr;
        std::chrono::milliseconds languageRetry{100};
        std::chrono::milliseconds languagePoll{30};
    };

    ObjectDictionary() = default;
    ~ObjectDictionary();
    ObjectDictionary(const ObjectDictionary&) = delete;
    ObjectDictionary& operator=(const ObjectDictionary&) = delete;

    // Starts the load thread (once). The thread ends early when the dictionary is destroyed.
    void StartLoad(LoadSettings settings);

    // Loads the file on the calling thread with the given language (1 Chinese, else
    // English). Any problem is shown once on messages (when given) and returned.
    DatabaseLoad LoadFile(const std::filesystem::path& path, int language,
                          MessageSink* messages = nullptr);

    bool FindByKey(ObjectKey key, DictionaryEntry& out) const;
    bool GetAt(int position, DictionaryEntry& out) const;
    int GetCount() const;

    // True once a load has ended (complete or not); waits at most the given time.
    bool WaitUntilLoaded(std::chrono::milliseconds timeout) const;
    bool IsLoaded() const;

    // Project files the pages save to and load from.
    void SetProjectWritePath(std::filesystem::path path);
    void SetProjectReadPath(std::filesystem::path path);
    std::filesystem::path ProjectWritePath() const;
    std::filesystem::path ProjectReadPath() const;

  private:
    void Append(DictionaryEntry entry);
    void MarkLoaded();
    DatabaseLoad ReadRecords(const std::filesystem::path& path, int language);
    void RunLoadThread(std::stop_token stop, LoadSettings settings);

    mutable std::shared_mutex mutex_;
    std::deque<DictionaryEntry> entries_;
    std::unordered_map<ObjectKey, std::size_t> firstByKey_;
    std::filesystem::path projectWritePath_;
    std::filesystem::path projectReadPath_;

    mutable std::mutex loadedMutex_;
    mutable std::condition_variable loadedChanged_;
    bool loaded_ = false;

    std::jthread loadThread_;
};

}  // namespace morlo
