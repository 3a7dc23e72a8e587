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

using limits = std::vector<std::pair<int, rlim_t>>;

struct hostile {
    const char* what;
    const char* program;
    proc::stream in;
    proc::stream out;
    std::string input;
    std::string out_bytes;
    std::string err;
    int status;
    bool hold = false;  // the input stays open: the program must not wait on it
    limits ulimits = {};
};

void expect_statuses(const std::vector<hostile>& table)
{
    for (const auto& h : table) {
        SCOPED_TRACE(std::string(h.program) + ": " + h.what);
        proc::options opts;
        opts.in = h.in;
        opts.out = h.out;
        opts.hold_input = h.hold;
        opts.limits = h.ulimits;
        const proc::outcome got = proc::run(h.program, h.input, opts);
        EXPECT_EQ(got.out, h.out_bytes);
        EXPECT_EQ(got.err, h.err);
        EXPECT_EQ(got.status, h.status);
    }
}

using proc::stream;
const std::string lost_r = "raisecalc: erro de escrita na saida padrao\n";
const std::string lost_c = "cardform: erro de escrita na saida padrao\n";

TEST(Failure, EndsWithTheDocumentedStatus)
{
    expect_statuses({
        {"full disk", RAISECALC, stream::pipe, stream::dev_full, "2010\n\n", "", lost_r, 1},
        {"full disk", CARDFORM, stream::pipe, stream::dev_full, form, "", lost_c, 1},
        {"output closed", RAISECALC, stream::pipe, stream::closed, "2010\n\n", "", lost_r, 1},
        {"output closed", CARDFORM, stream::pipe, stream::closed, form, "", lost_c, 1},
        {"reader gone", RAISECALC, stream::pipe, stream::gone, "2010\n\n", "", lost_r, 1},
        {"reader gone", CARDFORM, stream::pipe, stream::gone, form, "", lost_c, 1},
        {"input closed", RAISECALC, stream::closed, stream::pipe, "", raisecalc_prompt,
         "raisecalc: ano invalido\n", 1},
        {"input closed", CARDFORM, stream::closed, stream::pipe, "", cardform_prompts, "", 1},
        // Lost output stops the dialogue before it asks for anything more.
        {"full disk", RAISECALC, stream::pipe, stream::dev_full, "", "", lost_r, 1, true},
        {"full disk", CARDFORM, stream::pipe, stream::dev_full, "", "", lost_c, 1, true},
        {"reader gone", RAISECALC, stream::pipe, stream::gone, "", "", lost_r, 1, true},
        {"reader gone", CARDFORM, stream::pipe, stream::gone, "", "", lost_c, 1, true},
        {"no year, and a write error", RAISECALC, stream::pipe, stream::dev_full, "x", "", lost_r,
         1},
    });
}

// Under a launcher, these meet the launcher rather than the program.
TEST(Failure, EndsWithTheDocumentedStatusUnderLimitsAndOnTerminals)
{
    if (const std::string launcher = proc::launcher_of(RAISECALC); !launcher.empty())
        GTEST_SKIP() << launcher << " meets the limits itself, and draws its own console on a "
                     << "terminal";
    const limits no_file = {{RLIMIT_FSIZE, 0}};
    std::vector<hostile> table = {
        {"file size limit", RAISECALC, stream::pipe, stream::file, "", "", lost_r, 1, true,
         no_file},
        {"file size limit", CARDFORM, stream::pipe, stream::file, "", "", lost_c, 1, true, no_file},
        // The terminal hangs up once the first prompt is on it; the answer
        // comes after.
        {"terminal gone", RAISECALC, stream::pipe, stream::terminal_gone, "2010\n",
         raisecalc_prompt, lost_r, 1, true},
        {"terminal gone", CARDFORM, stream::pipe, stream::terminal_gone, "Maria\n",
         "Digite o seu nome:\r\n", lost_c, 1, true},
        // The controlling terminal's hang-up ends the program by SIGHUP.
        {"controlling terminal gone", RAISECALC, stream::pipe, stream::terminal_hangup, "2010\n",
         raisecalc_prompt, "", 128 + SIGHUP, true},
        {"controlling terminal gone", CARDFORM, stream::pipe, stream::terminal_hangup, "Maria\n",
         "Digite o seu nome:\r\n", "", 128 + SIGHUP, true},
    };
#if !defined(__SANITIZE_ADDRESS__)  // which reserves far more than any small limit
    table.push_back({"memory limit",
                     CARDFORM,
                     stream::pipe,
                     stream::pipe,
                     std::string(32 << 20, 'x') + " b c 1 2\n",
                     expected::cardform_first(1),
                     "cardform: memoria insuficiente\n",
                     1,
                     false,
                     {{RLIMIT_AS, 16 << 20}}});
#endif
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
