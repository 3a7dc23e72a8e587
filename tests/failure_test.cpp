#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected.hpp"
#include "process.hpp"

// Both programs under hostile conditions: each ends with its documented
// status, never a crash, and memory grows with the one word being read, if
// with anything.
namespace {

const std::string& raisecalc_prompt = expected::raisecalc_prompt;
const std::string& raisecalc_result = expected::raisecalc_result;
const std::string& cardform_prompts = expected::cardform_all;
const std::string form = "Maria\nRua\nRecife\n5551234\n50000\n";

struct hostile {
    const char* what;
    const char* program;
    proc::options opts;
    std::string input;
    std::string out;
    std::string err;
    int status;
};

void expect_statuses(const std::vector<hostile>& table)
{
    for (const auto& h : table) {
        SCOPED_TRACE(std::string(h.program) + ": " + h.what);
        const proc::outcome got = proc::run(h.program, h.input, h.opts);
        EXPECT_EQ(got.out, h.out);
        EXPECT_EQ(got.err, h.err);
        EXPECT_EQ(got.status, h.status);
    }
}

using proc::stream;
const std::string lost_r = "raisecalc: erro de escrita na saida padrao\n";
const std::string lost_c = "cardform: erro de escrita na saida padrao\n";
// The input stays open: the program must not wait on it.
const proc::options full_disk{.out = stream::dev_full, .hold_input = true};
const proc::options reader_gone{.out = stream::gone, .hold_input = true};

TEST(Failure, EndsWithTheDocumentedStatus)
{
    expect_statuses({
        {"full disk", RAISECALC, {.out = stream::dev_full}, "2010\n\n", "", lost_r, 1},
        {"full disk", CARDFORM, {.out = stream::dev_full}, form, "", lost_c, 1},
        {"output closed", RAISECALC, {.out = stream::closed}, "2010\n\n", "", lost_r, 1},
        {"output closed", CARDFORM, {.out = stream::closed}, form, "", lost_c, 1},
        {"reader gone", RAISECALC, {.out = stream::gone}, "2010\n\n", "", lost_r, 1},
        {"reader gone", CARDFORM, {.out = stream::gone}, form, "", lost_c, 1},
        {"input closed",
         RAISECALC,
         {.in = stream::closed},
         "",
         raisecalc_prompt,
         "raisecalc: ano invalido\n",
         1},
        {"input closed", CARDFORM, {.in = stream::closed}, "", cardform_prompts, "", 1},
        // Lost output stops the dialogue before it asks for anything more.
        {"full disk", RAISECALC, full_disk, "", "", lost_r, 1},
        {"full disk", CARDFORM, full_disk, "", "", lost_c, 1},
        {"reader gone", RAISECALC, reader_gone, "", "", lost_r, 1},
        {"reader gone", CARDFORM, reader_gone, "", "", lost_c, 1},
        {"no year, and a write error", RAISECALC, {.out = stream::dev_full}, "x", "", lost_r, 1},
    });
}

// Under a launcher, these meet the launcher rather than the program, and
// Windows has no non-blocking standard streams.
TEST(Failure, MeetsLimitsTerminalsAndNonBlockingStreams)
{
    if (const std::string launcher = proc::launcher_of(RAISECALC); !launcher.empty())
        GTEST_SKIP() << launcher << " meets the limits itself and draws its own console on a "
                     << "terminal, and Windows has no non-blocking streams";
    const proc::options no_file{
        .out = stream::file, .hold_input = true, .limits = {{RLIMIT_FSIZE, 0}}};
    // The terminal hangs up once the first prompt is on it; the answer comes after.
    const proc::options hung_up{.out = stream::terminal_gone, .hold_input = true};
    const proc::options controlling{.out = stream::terminal_hangup, .hold_input = true};
    // A stream that is non-blocking and has nothing yet is waited on, never
    // taken for the end: the answer is sent only once the program sleeps.
    const proc::options nonblocking{.nonblocking = true};
    const proc::options full{.nonblocking = true, .full_output = true};
    const std::string year = "2010\n\n", result = raisecalc_result + "1539.04";
    std::vector<hostile> table = {
        {"file size limit", RAISECALC, no_file, "", "", lost_r, 1},
        {"file size limit", CARDFORM, no_file, "", "", lost_c, 1},
        {"terminal gone", RAISECALC, hung_up, "2010\n", raisecalc_prompt, lost_r, 1},
        {"terminal gone", CARDFORM, hung_up, "Maria\n", "Digite o seu nome:\r\n", lost_c, 1},
        // The controlling terminal's hang-up ends the program by SIGHUP.
        {"controlling terminal gone", RAISECALC, controlling, "2010\n", raisecalc_prompt, "",
         128 + SIGHUP},
        {"controlling terminal gone", CARDFORM, controlling, "Maria\n", "Digite o seu nome:\r\n",
         "", 128 + SIGHUP},
        {"non-blocking", RAISECALC, nonblocking, year, result, "", 0},
        {"non-blocking, output full", RAISECALC, full, year, result, "", 0},
        {"non-blocking terminal",
         RAISECALC,
         {.in = stream::terminal, .out = stream::terminal, .nonblocking = true},
         year,
         raisecalc_prompt + "Novo sal\xC3\xA1rio = 1539.04",
         "",
         0},
        {"non-blocking", CARDFORM, nonblocking, form, cardform_prompts, "", 0},
        {"non-blocking, output full", CARDFORM, full, form, cardform_prompts, "", 0},
    };
    if (!proc::address_sanitizer)
        table.push_back({"memory limit",
                         CARDFORM,
                         {.limits = {{RLIMIT_AS, 16 << 20}}},
                         std::string(32 << 20, 'x') + " b c 1 2\n",
                         expected::cardform_first(1),
                         "cardform: memoria insuficiente\n",
                         1});
    expect_statuses(table);
}

// Input of hundreds of MiB without a line break, sent a block at a time.
constexpr std::size_t block = std::size_t{1} << 20;
constexpr std::size_t blocks = 200;

proc::outcome run_huge(const char* program, char fill)
{
    proc::options opts;
    opts.repeat = blocks;
    return proc::run(program, std::string(block, fill), opts);
}

long baseline_kib(const char* program)
{
    return proc::run(program, "1 1 1 1 1\n").peak_kib;
}

TEST(Failure, AHugeYearNeedsNoMoreMemory)
{
    const long base = baseline_kib(RAISECALC);
    for (const char fill : {'9', ' '}) {
        SCOPED_TRACE(fill);
        const proc::outcome got = run_huge(RAISECALC, fill);
        if (fill == '9') {
            EXPECT_EQ(got.out, raisecalc_result + "  inf");
            EXPECT_EQ(got.status, 0);
        } else {
            EXPECT_EQ(got.out, raisecalc_prompt);
            EXPECT_EQ(got.status, 1);
        }
        EXPECT_LT(got.peak_kib - base, 4 * 1024) << "peak " << got.peak_kib << " KiB";
    }
}

TEST(Failure, AHugeWordCostsMemoryInProportion)
{
    const long base = baseline_kib(CARDFORM);
    const proc::outcome got = run_huge(CARDFORM, 'n');
    EXPECT_EQ(got.out, cardform_prompts);
    EXPECT_EQ(got.status, 1);
    const long word_kib = static_cast<long>(blocks * block >> 10);
    EXPECT_GE(got.peak_kib - base, word_kib) << "the word is held whole";
    // A growing string holds its old and new buffers for a moment; a
    // sanitizer's quarantine keeps freed ones a while longer.
    EXPECT_LT(got.peak_kib - base, 4 * word_kib) << "peak " << got.peak_kib << " KiB";
    std::printf("peak resident memory for a %zu MiB word: %ld KiB\n", blocks, got.peak_kib);
}

}  // namespace
