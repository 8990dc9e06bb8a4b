// The program end to end: `starchart snapshot` at a few states against
// committed images, its vector and trace outputs, and its flag checking.
// Set STARCHART_UPDATE_GOLDEN=1 to rewrite the images on purpose.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cg/cairo/CairoContext.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = STARCHART_PROGRAM;
const fs::path kGoldenDir = fs::path(STARCHART_SOURCE_DIR) / "tests" / "golden";

fs::path scratch() {
    fs::path dir = fs::temp_directory_path() / ("starchart-golden-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

// Runs the program; returns its exit status and what it wrote to stderr.
// `shell` runs first in the same shell (limits for the program).
int run(const std::string& args, std::string* errors = nullptr, const std::string& shell = "") {
    const fs::path err = scratch() / "stderr.txt";
    const std::string cmd = shell + "'" + kProgram + "' " + args + " 2>'" + err.string() + "' >/dev/null";
    const int status = std::system(cmd.c_str());
    if (errors) {
        std::ifstream in(err);
        std::stringstream s;
        s << in.rdbuf();
        *errors = s.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Difference {
    long differing = 0;  // pixels with a channel off by more than the tolerance
    long total = 0;
    int worst = 0;
};

Difference compare(const CGImage& a, const CGImage& b, int tolerance) {
    Difference d;
    d.total = long(a.pixelWidth) * a.pixelHeight;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 4; ++c)
            worst = std::max(worst, std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c])));
        d.worst = std::max(d.worst, worst);
        if (worst > tolerance) ++d.differing;
    }
    return d;
}

struct State {
    const char* name;
    const char* args;
};

// Names the state in test listings instead of dumping its bytes.
void PrintTo(const State& s, std::ostream* os) { *os << s.name; }

}  // namespace

class Golden : public ::testing::TestWithParam<State> {};

TEST_P(Golden, SnapshotMatchesTheCommittedImage) {
    const State& s = GetParam();
    const fs::path out = scratch() / (std::string(s.name) + ".png");
    ASSERT_EQ(run(std::string("snapshot ") + s.args + " --out '" + out.string() + "'"), 0);
    const fs::path golden = kGoldenDir / (std::string(s.name) + ".png");
    if (std::getenv("STARCHART_UPDATE_GOLDEN")) {
        fs::copy_file(out, golden, fs::copy_options::overwrite_existing);
        GTEST_SKIP() << "rewrote " << golden;
    }
    std::string error;
    CGImageRef want = CGImageCreateWithPNGFile(golden.string(), 1, &error);
    ASSERT_TRUE(want) << error;
    CGImageRef got = CGImageCreateWithPNGFile(out.string(), 1, &error);
    ASSERT_TRUE(got) << error;
    ASSERT_EQ(got->pixelWidth, want->pixelWidth);
    ASSERT_EQ(got->pixelHeight, want->pixelHeight);
    // Antialiasing may move by a level or two between builds; a moved star,
    // label or line changes hundreds of pixels by far more.
    const Difference d = compare(*got, *want, 24);
    EXPECT_LE(d.differing, d.total / 2000)
        << d.differing << " pixels differ, worst by " << d.worst << "; see " << out;
}

INSTANTIATE_TEST_SUITE_P(
    States, Golden,
    ::testing::Values(State{"phone-labels0", "--device phone --ra 17 --dec 31"},
                      State{"phone-labels1", "--device phone --ra 17 --dec 31 --labels 1"},
                      State{"phone-labels2", "--device phone --ra 17 --dec 31 --labels 2"},
                      State{"tablet-labels0", "--device tablet --ra 5.5 --dec 0 --zoom 1.4"},
                      State{"tablet-labels1", "--device tablet --ra 5.5 --dec 0 --labels 1"},
                      State{"tablet-labels2", "--device tablet --ra 12.5 --dec -60 --labels 2 --zoom 0.9"},
                      State{"phone-retina-pole",
                            "--device phone-tall --pixel-ratio 2 --ra 2 --dec 90 --labels 1"}),
    [](const ::testing::TestParamInfo<State>& info) {
        std::string n = info.param.name;
        for (auto& c : n)
            if (c == '-') c = '_';
        return n;
    });

TEST(Snapshot, APdfShowsTheChartWhereThePngDoes) {
    // The vector file, rasterised by another renderer, has every star dot of
    // the trace (white) and the controls (the Quit button's red) in place.
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm is not installed";
    const fs::path dir = scratch();
    const std::string state = "--device phone-wide --ra 5.5 --dec 0 --labels 2";
    ASSERT_EQ(run("snapshot " + state + " --out '" + (dir / "v.pdf").string() + "' --trace '" +
                  (dir / "v.jsonl").string() + "'"),
              0);
    const std::string raster =
        "pdftoppm -r 72 -png -singlefile '" + (dir / "v.pdf").string() + "' '" + (dir / "v").string() + "'";
    ASSERT_EQ(std::system(raster.c_str()), 0);
    std::string error;
    CGImageRef page = CGImageCreateWithPNGFile((dir / "v.png").string(), 1, &error);
    ASSERT_TRUE(page) << error;
    ASSERT_EQ(page->pixelWidth, 375);
    ASSERT_EQ(page->pixelHeight, 667);
    auto at = [&](int x, int y) { return &page->rgba[(size_t(y) * page->pixelWidth + x) * 4]; };

    std::ifstream trace(dir / "v.jsonl");
    std::string line;
    int dots = 0, lit = 0;
    while (std::getline(trace, line)) {
        if (line.find("CGContextFillEllipseInRect") == std::string::npos) continue;
        double x, y, w, h;
        ASSERT_EQ(
            std::sscanf(line.c_str(), "{\"op\":\"CGContextFillEllipseInRect\",\"args\":[%lf,%lf,%lf,%lf]", &x,
                        &y, &w, &h),
            4);
        // The chart view starts 40 points down on this width.
        const int cx = int(x + w / 2), cy = int(y + h / 2 + 40);
        if (w < 4 || cx < 0 || cy < 0 || cx >= 375 || cy >= 667 || cy < 45) continue;
        ++dots;
        lit += at(cx, cy)[0] > 128 && at(cx, cy)[1] > 128 && at(cx, cy)[2] > 128;
    }
    EXPECT_GT(dots, 20);
    EXPECT_EQ(lit, dots) << "star dots missing from the vector file";
    // The Quit button, (largeur - 65, 5, 60, 37), over the chart's band: red.
    int red = 0;
    for (int y = 5; y < 42; ++y)
        for (int x = 310; x < 370; ++x) red += at(x, y)[0] > 100 && at(x, y)[0] > 2 * at(x, y)[1];
    EXPECT_GT(red, 60 * 37 / 3) << "the Quit button is missing";
}

TEST(Snapshot, VectorFilesAndTraceAreWritten) {
    const fs::path dir = scratch();
    ASSERT_EQ(run("snapshot --ra 17 --dec 31 --out '" + (dir / "c.svg").string() + "' --trace '" +
                  (dir / "c.jsonl").string() + "'"),
              0);
    ASSERT_EQ(run("snapshot --device tablet --ra 17 --dec 31 --out '" + (dir / "c.pdf").string() + "'"), 0);
    std::ifstream svg(dir / "c.svg"), pdf(dir / "c.pdf", std::ios::binary), trace(dir / "c.jsonl");
    std::string svgText((std::istreambuf_iterator<char>(svg)), {});
    EXPECT_NE(svgText.find("<svg"), std::string::npos);
    // Stars stay vector shapes, not one embedded bitmap.
    EXPECT_GT(svgText.size(), 20000u);
    char head[5] = {};
    pdf.read(head, 4);
    EXPECT_EQ(std::string(head), "%PDF");

    std::string line, first, readout;
    int dots = 0, lines = 0;
    while (std::getline(trace, line)) {
        if (first.empty()) first = line;
        ++lines;
        dots += line.find("\"op\":\"CGContextFillEllipseInRect\"") != std::string::npos;
        if (line.find("Ra : ") != std::string::npos) readout = line;
    }
    EXPECT_EQ(first, "{\"op\":\"CGContextClearRect\",\"args\":[0,0,320,480]}");
    EXPECT_GT(dots, 100);
    EXPECT_NE(readout.find("\"text\":\"Ra : 17h 00mn 00s  De : 31d 00' 00\\\" \""), std::string::npos)
        << readout;
}

TEST(Snapshot, BadFlagsNameTheFlagAndTheRangeWithStatusTwo) {
    struct Case {
        const char* args;
        const char* mentions;
    } cases[] = {
        {"snapshot --ra 24.5 --dec 0 --out x.png", "--ra"},
        {"snapshot --ra 1 --dec -91 --out x.png", "-90 to 90"},
        {"snapshot --ra 1 --dec 0 --zoom 0.5 --out x.png", "0.9 to 3"},
        {"snapshot --ra 1 --dec 0 --labels 3 --out x.png", "0, 1, 2"},
        {"snapshot --ra abc --dec 0 --out x.png", "not a number"},
        {"snapshot --ra 1 --dec 0 --out x.gif", ".png, .svg or .pdf"},
        {"snapshot --ra 1 --dec 0", "--out"},
        {"snapshot --ra 1 --dec 0 --out x.png --frobnicate", "--frobnicate"},
        {"snapshot --ra 1 --dec 0 --out x.png --zoom", "--zoom"},
        {"snapshot --ra 1 --ra 2 --dec 0 --out x.png", "more than once"},
        {"snapshot --ra=30 --dec 0 --out x.png", "--ra"},
        {"snapshot --ra 1 --dec 0 --out /nonexistent-dir/x.png", "/nonexistent-dir/x.png"},
        {"snapshot --ra 1 --dec 0 --out x.png --trace /nonexistent-dir/t.jsonl", "--trace"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_EQ(run(c.args, &errors), 2) << c.args;
        EXPECT_NE(errors.find(c.mentions), std::string::npos) << c.args << "\n" << errors;
    }
    // The --flag=value form is the same flag.
    const fs::path out = scratch() / "eq.png";
    EXPECT_EQ(run("snapshot --ra=17 --dec=31 --labels=1 --out='" + out.string() + "'"), 0);
    EXPECT_TRUE(fs::exists(out));
}

namespace {

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Snapshot, TwoOutputsInOneFileOrAnEmptyValueAreRefused) {
    const fs::path dir = scratch() / "same";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string x = "'" + (dir / "x.png").string() + "'";
    std::string errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out " + x + " --trace " + x, &errors), 2);
    EXPECT_NE(errors.find("--out and --trace name one file"), std::string::npos) << errors;
    const std::string dotted = "'" + (dir / "." / "x.png").string() + "'";
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out " + x + " --trace=" + dotted, &errors), 2);
    EXPECT_NE(errors.find("name one file"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out " + x + " --trace=", &errors), 2);
    EXPECT_NE(errors.find("--trace: the value is empty"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out " + x + " --zoom ''", &errors), 2);
    EXPECT_NE(errors.find("--zoom: the value is empty"), std::string::npos) << errors;
    EXPECT_TRUE(fs::is_empty(dir)) << "nothing written";
}

TEST(Snapshot, NumbersArePlainDecimals) {
    const fs::path out = scratch() / "n.png";
    std::string errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out '" + out.string() + "' --zoom ' 2'", &errors), 2);
    EXPECT_NE(errors.find("--zoom: ' 2' is not a number"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out '" + out.string() + "' --zoom 0x1.8p0", &errors), 2);
    EXPECT_NE(errors.find("--zoom: '0x1.8p0' is not a number"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --out '" + out.string() + "' --zoom 2x", &errors), 2);
    EXPECT_NE(errors.find("0.9 to 3"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --ra inf --dec 0 --out '" + out.string() + "'", &errors), 2);
    EXPECT_EQ(run("snapshot --ra 1 --dec 0 --pixel-ratio ' 2' --out '" + out.string() + "'", &errors), 2);
    EXPECT_NE(errors.find("--pixel-ratio"), std::string::npos) << errors;
    EXPECT_EQ(run("snapshot --size ' 300x300' --ra 1 --dec 0 --out '" + out.string() + "'", &errors), 2);
    EXPECT_NE(errors.find("--size"), std::string::npos) << errors;
    // Tiny numbers inside the range are numbers.
    EXPECT_EQ(
        run("snapshot --ra 1e-320 --dec -0.0000000000000000000001 --zoom 2.5e0 --out '" + out.string() + "'",
            &errors),
        0)
        << errors;
    EXPECT_TRUE(fs::exists(out));
}

// With the file size limited as on a full disk, every kind of output fails
// with status 1 and leaves the old file, or none, and nothing else.
TEST(Snapshot, AFailedWriteLeavesTheOldFileOrNone) {
    const fs::path dir = scratch() / "full";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string limit = "trap '' XFSZ; ulimit -f 8; ";  // 4 or 8 kB: less than any output
    for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
        SCOPED_TRACE(name);
        std::ofstream(dir / name) << "old";
        std::ofstream(dir / "t.jsonl") << "old trace";
        std::string errors;
        const int status = run("snapshot --device tablet --ra 17 --dec 31 --out '" + (dir / name).string() +
                                   "' --trace '" + (dir / "t.jsonl").string() + "'",
                               &errors, limit);
        EXPECT_EQ(status, 1) << errors;
        EXPECT_NE(errors.find(name), std::string::npos) << errors;
        EXPECT_EQ(contents(dir / name), "old");
        EXPECT_EQ(contents(dir / "t.jsonl"), "old trace");
        fs::remove(dir / name);
        fs::remove(dir / "t.jsonl");
        EXPECT_EQ(run("snapshot --ra 17 --dec 31 --out '" + (dir / name).string() + "'", &errors, limit), 1);
        EXPECT_EQ(filesIn(dir), std::vector<std::string>{}) << "no part of a file";
    }
}

// The largest image the flags allow, 4096 x 4096 points at 4 pixels a point,
// is a surface of 16384 x 16384 pixels of 4 bytes (1 GiB). The program holds
// that and at most 200 MB more at its peak. Sanitizers add their own memory.
#if !defined(__SANITIZE_ADDRESS__)
TEST(Snapshot, TheLargestImagePeaksAtItsSurfacePlus200MB) {
    const fs::path out = scratch() / "largest.png";
    const std::vector<std::string> args{kProgram,        "snapshot", "--size", "4096x4096",
                                        "--pixel-ratio", "4",        "--ra",   "17",
                                        "--dec",         "31",       "--out",  out.string()};
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execv(kProgram.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    const long long peak = (long long)usage.ru_maxrss * 1024;  // ru_maxrss is in kB
    std::cout << "peak " << peak / (1 << 20) << " MiB\n";
    EXPECT_LE(peak, 1073741824LL + 200000000LL);
    EXPECT_GE(peak, 1073741824LL) << "the surface itself";
    // Its header (decoding it would take another gigabyte here): width and
    // height, big-endian, after the signature and the chunk's length and type.
    std::ifstream png(out, std::ios::binary);
    unsigned char head[24] = {};
    png.read(reinterpret_cast<char*>(head), sizeof head);
    EXPECT_EQ(std::vector<unsigned char>(head + 12, head + 24),
              (std::vector<unsigned char>{'I', 'H', 'D', 'R', 0, 0, 0x40, 0, 0, 0, 0x40, 0}));
    fs::remove(out);
}
#endif
