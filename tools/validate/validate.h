// The validator's checks of a module build against the host contract, as a
// library: `kinemo-host validate` runs them from a seeded generator, the
// fuzzers from their input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/host_harness.h"
#include "validate/byte_source.h"

namespace kvalidate {

// ---- Report -----------------------------------------------------------------

class Report {
public:
    explicit Report(std::ostream& out) : out_(out) {}
    void pass(std::string_view check);
    void fail(std::string_view check, std::string_view detail);
    // A check that cannot be made here, and why.
    void skip(std::string_view check, std::string_view why);
    // One line per problem; the check passes when there is none.
    void expect(std::string_view check, const std::vector<std::string>& problems);
    int passed() const { return passed_; }
    int failed() const { return failed_; }
    int skipped() const { return skipped_; }
    const std::vector<std::string>& failedChecks() const { return failedChecks_; }

private:
    std::ostream& out_;
    std::vector<std::string> failedChecks_;
    int passed_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
};

// ---- The host side of the checks --------------------------------------------

using FamilyFacts = hostrec::FamilyInfo;
using hostrec::kFamilies;

// Records a validating host keeps for its calls.
struct Host {
    kdrv::Module& m;
    kdrv::Addr services;        // getHostVersion reports a recent host
    kdrv::Addr oldHost;         // getHostVersion reports a host that is too old
    kdrv::Addr noVersion;       // null getHostVersion slot
    // What pathCallback received: the path, then its two other arguments.
    std::shared_ptr<std::vector<std::string>> pathsSeen;
    // The support library the module calls when it is not the stand-ins
    // (empty otherwise): what it keeps cannot be counted, and a dialog it
    // runs would wait for a user.
    std::string unobservedLibrary;
};
Host newHost(kdrv::Module& m);

// ---- Descriptor rows and menus ------------------------------------------------

struct Row {
    int16_t menuId, stringId, code;
    uint16_t flags;
    std::vector<int16_t> types, titles;
};

// A menu as the editor shows it, flattened depth first.
struct MenuEntry {
    std::string label;
    uint32_t id;
    bool separator, popup;
    bool marked;  // checked, greyed or disabled
    int depth;
};

// Every row's command id on exactly one selectable item, and every
// selectable item naming a row.
std::vector<std::string> menuProblems(const std::vector<MenuEntry>& menu, const std::vector<Row>& rows);
// Codes, id schemes and flags of a family's rows.
std::vector<std::string> rowProblems(const FamilyFacts& facts, const std::vector<Row>& rows);

// ---- Text buffers -------------------------------------------------------------

constexpr uint32_t kTextBytes = 256;   // an edit-time text buffer the host hands over
constexpr uint32_t kIconBytes = 2088;  // MakeIcon's image
constexpr uint32_t kAboutCommand = 2020;  // SelectPopup's About box

constexpr size_t kCanaryBytes = 16;
constexpr uint8_t kCanaryByte = 0xA5;

// A buffer of `size` bytes that was filled with `fill` and followed by the
// canary: nothing if the write is right. `expected` is the whole text (cut to
// size - 1 here), or nothing when the buffer must stay untouched.
std::optional<std::string> textProblem(std::span<const uint8_t> bufferAndCanary, size_t size, uint8_t fill,
                                       const std::optional<std::string>& expected);

// One buffer of each size from 1 to 300, each followed by its canary.
struct TextBuffers {
    static constexpr uint32_t kMaxSize = 300;
    explicit TextBuffers(kdrv::Module& m);
    kdrv::Addr prepare(uint32_t size, uint8_t fill);  // filled, canary behind
    std::span<const uint8_t> read(uint32_t size);     // the buffer and its canary
    kdrv::Module& m;
    std::vector<kdrv::Addr> at;
};

// A text entry point called into a buffer of `size` bytes (the host's high
// half of each 16-bit value already in the arguments).
using TextCall = std::function<void(kdrv::Addr buffer, uint32_t size)>;
// The whole text from the largest buffer, then every size against it; with
// `writes` false the buffer must stay untouched. The first problem, if any.
std::optional<std::string> sweepProblem(TextBuffers& b, const TextCall& call, bool writes, uint8_t fill,
                                        uint32_t sizeHigh = 0);
// GetObjInfos: five texts cut at 254 characters, and every buffer longer
// than its text keeps its canary.
std::vector<TextBuffers> objectTextBuffers(kdrv::Module& m);  // one set per text
std::vector<std::string> objectTextProblems(std::vector<TextBuffers>& slots, kdrv::Addr services, uint8_t fill);

// Text calls chosen by a byte source: entry point, code and parameter (with
// arbitrary high halves), buffer fill and the host's version; set up once.
struct TextStage;
std::shared_ptr<TextStage> newTextStage(kdrv::Module& m);
std::vector<std::string> randomTextProblems(TextStage& stage, ByteSource& source);

// ---- Records ------------------------------------------------------------------

struct ByteRange {
    size_t from, to;  // [from, to)
};
// Bytes that differ outside the ranges a call may write, as "offset N" lines.
std::vector<std::string> strayWrites(std::span<const uint8_t> before, std::span<const uint8_t> after,
                                     std::span<const ByteRange> allowed, std::string_view record);

// Random run-time calls on records full of arbitrary bits, set up once and
// refilled for every play.
struct RandomStage;
std::shared_ptr<RandomStage> newRandomStage(Host& host);
// Plays `calls` calls (or until the source runs dry); the first problem, if any.
std::optional<std::string> playRandomCalls(RandomStage& stage, ByteSource& source, int calls);

// ---- Native against emulated ---------------------------------------------------

struct Comparison {
    std::string difference;  // empty when the builds agreed after every call
    int nanMatches = 0;      // words where two different NaNs were let pass
};
// The same random host calls from `seed` for `frames` frames on both modules:
// records, targets and results compared bit for bit after every call.
Comparison compareBuilds(kdrv::Module& native, kdrv::Module& emulated, uint32_t seed, int frames);

// ---- The battery ----------------------------------------------------------------

void checkEntryPoints(Host& host, Report& report);
void checkRegistration(Host& host, Report& report);
void checkDescriptors(Host& host, Report& report);
void checkTextEntryPoints(Host& host, Report& report);
void checkNothingLeaks(Host& host, Report& report);
void checkRandomRunTime(Host& host, Report& report, uint64_t seed, int calls);
void checkRandomTexts(Host& host, Report& report, uint64_t seed, int sweeps);
// All of the above, each group guarded so that one fault cannot hide the rest.
void runBattery(kdrv::Module& m, Report& report, uint64_t seed, int randomCalls);

// Reads a family's rows through its infos entry point.
std::vector<Row> readRows(Host& host, const FamilyFacts& facts);
// Reads a menu handle into entries through the Windows menu operations.
std::vector<MenuEntry> readMenu(uint32_t menu);

}  // namespace kvalidate
