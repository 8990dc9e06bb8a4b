// The program end to end: `starchart snapshot` at a few states against
// committed images, its vector and trace outputs, and its flag checking.
// Set STARCHART_UPDATE_GOLDEN=1 to rewrite the images on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "../replay/RunProgram.h"
#include "platform/cg/cairo/CairoContext.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGoldenDir = fs::path(STARCHART_SOURCE_DIR) / "tests" / "golden";

fs::path scratch() {
    fs::path dir = fs::temp_directory_path() / ("starchart-golden-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

// The program in dir (the scratch folder by default) with these words, split
// at spaces; a part in single quotes is one word, spaces and all.
Outcome run(const std::string& words, const fs::path& dir = scratch(), rlim_t fileLimit = 0) {
    std::vector<std::string> args;
    bool quoted = false, between = true;
    for (const char c : words) {
        const bool space = c == ' ' && !quoted;
        if (between && !space) args.emplace_back();
        between = space;
        quoted ^= c == '\'';
        if (!space && c != '\'') args.back() += c;
    }
    return runProgram(args, dir, fileLimit);
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
    ASSERT_EQ(run(std::string("snapshot ") + s.args + " --out " + s.name + ".png").status, 0);
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
    auto off = [&](size_t i) { return std::abs(int(got->rgba[i]) - int(want->rgba[i])) > 24; };
    size_t differing = 0;
    for (size_t i = 0; i < got->rgba.size(); i += 4)
        differing += off(i) || off(i + 1) || off(i + 2) || off(i + 3);
    EXPECT_LE(differing, got->rgba.size() / 4 / 2000) << differing << " pixels differ; see " << out;
}

INSTANTIATE_TEST_SUITE_P(
    States, Golden,
    ::testing::Values(State{"phone_labels0", "--device phone --ra 17 --dec 31"},
                      State{"phone_labels1", "--device phone --ra 17 --dec 31 --labels 1"},
                      State{"phone_labels2", "--device phone --ra 17 --dec 31 --labels 2"},
                      State{"tablet_labels0", "--device tablet --ra 5.5 --dec 0 --zoom 1.4"},
                      State{"tablet_labels1", "--device tablet --ra 5.5 --dec 0 --labels 1"},
                      State{"tablet_labels2", "--device tablet --ra 12.5 --dec -60 --labels 2 --zoom 0.9"},
                      State{"phone_retina_pole",
                            "--device phone-tall --pixel-ratio 2 --ra 2 --dec 90 --labels 1"}),
    [](const ::testing::TestParamInfo<State>& info) { return std::string(info.param.name); });

TEST(Snapshot, APdfShowsTheChartWhereThePngDoes) {
    // The vector file, rasterised by another renderer, has every star dot of
    // the trace (white) and the controls (the Quit button's red) in place.
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm is not installed";
    const fs::path dir = scratch();
    ASSERT_EQ(
        run("snapshot --device phone-wide --ra 5.5 --dec 0 --labels 2 --out v.pdf --trace v.jsonl").status,
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
        double x, y, w, h;
        if (std::sscanf(line.c_str(), "{\"op\":\"CGContextFillEllipseInRect\",\"args\":[%lf,%lf,%lf,%lf]", &x,
                        &y, &w, &h) != 4)
            continue;
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
    ASSERT_EQ(run("snapshot --ra 17 --dec 31 --out c.svg --trace c.jsonl").status, 0);
    ASSERT_EQ(run("snapshot --device tablet --ra 17 --dec 31 --out c.pdf").status, 0);
    const std::string svg = bytesOf(dir / "c.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    // Stars stay vector shapes, not one embedded bitmap.
    EXPECT_GT(svg.size(), 20000u);
    EXPECT_EQ(bytesOf(dir / "c.pdf").substr(0, 4), "%PDF");

    std::ifstream trace(dir / "c.jsonl");
    std::string line, first, readout;
    int dots = 0;
    while (std::getline(trace, line)) {
        if (first.empty()) first = line;
        dots += line.find("\"op\":\"CGContextFillEllipseInRect\"") != std::string::npos;
        if (line.find("Ra : ") != std::string::npos) readout = line;
    }
    EXPECT_EQ(first, "{\"op\":\"CGContextClearRect\",\"args\":[0,0,320,480]}");
    EXPECT_GT(dots, 100);
    EXPECT_NE(readout.find("\"text\":\"Ra : 17h 00mn 00s  De : 31d 00' 00\\\" \""), std::string::npos)
        << readout;
}

// Every bad flag is named, with status 2, and nothing is written.
TEST(Snapshot, BadFlagsNameTheFlagAndTheRangeWithStatusTwo) {
    const fs::path dir = scratch() / "bad";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::pair<const char*, const char*> cases[] = {
        {"--ra 24.5 --dec 0 --out x.png", "--ra"},
        {"--ra 1 --dec -91 --out x.png", "-90 to 90"},
        {"--ra 1 --dec 0 --zoom 0.5 --out x.png", "0.9 to 3"},
        {"--ra 1 --dec 0 --labels 3 --out x.png", "0, 1, 2"},
        {"--ra abc --dec 0 --out x.png", "not a number"},
        {"--ra 1 --dec 0 --out x.gif", ".png, .svg or .pdf"},
        {"--ra 1 --dec 0", "--out"},
        {"--ra 1 --dec 0 --out x.png --frobnicate", "--frobnicate"},
        {"--ra 1 --dec 0 --out x.png --zoom", "--zoom"},
        {"--ra 1 --ra 2 --dec 0 --out x.png", "more than once"},
        {"--ra=30 --dec 0 --out x.png", "--ra"},
        {"--ra 1 --dec 0 --out /nonexistent-dir/x.png", "/nonexistent-dir/x.png"},
        {"--ra 1 --dec 0 --out x.png --trace /nonexistent-dir/t.jsonl", "--trace"},
        // Two outputs in one file, or an empty value.
        {"--ra 1 --dec 0 --out x.png --trace x.png", "--out and --trace name one file"},
        {"--ra 1 --dec 0 --out x.png --trace=./x.png", "name one file"},
        {"--ra 1 --dec 0 --out x.png --trace=", "--trace: the value is empty"},
        {"--ra 1 --dec 0 --out x.png --zoom ''", "--zoom: the value is empty"},
        // Numbers are plain decimals.
        {"--ra 1 --dec 0 --out x.png --zoom ' 2'", "--zoom: ' 2' is not a number"},
        {"--ra 1 --dec 0 --out x.png --zoom 0x1.8p0", "--zoom: '0x1.8p0' is not a number"},
        {"--ra 1 --dec 0 --out x.png --zoom 2x", "0.9 to 3"},
        {"--ra inf --dec 0 --out x.png", "--ra"},
        {"--ra 1 --dec 0 --pixel-ratio ' 2' --out x.png", "--pixel-ratio"},
        {"--size ' 300x300' --ra 1 --dec 0 --out x.png", "--size"},
    };
    for (const auto& [args, mentions] : cases) {
        const Outcome r = run(std::string("snapshot ") + args, dir);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find(mentions), std::string::npos) << args << "\n" << r.output;
    }
    EXPECT_TRUE(fs::is_empty(dir)) << "nothing written";
}

TEST(Snapshot, NumbersArePlainDecimals) {
    // The --flag=value form is the same flag, and tiny numbers inside the
    // range are numbers.
    for (const char* args : {"--ra=17 --dec=31 --labels=1 --out=n.png",
                             "--ra 1e-320 --dec -0.0000000000000000000001 --zoom 2.5e0 --out n.png"}) {
        fs::remove(scratch() / "n.png");
        const Outcome r = run(std::string("snapshot ") + args);
        EXPECT_EQ(r.status, 0) << args << "\n" << r.output;
        EXPECT_TRUE(fs::exists(scratch() / "n.png")) << args;
    }
}

// With the file size limited as on a full disk, every kind of output fails
// with status 1 and leaves the old file, or none, and nothing else.
TEST(Snapshot, AFailedWriteLeavesTheOldFileOrNone) {
    const fs::path dir = scratch() / "full";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const rlim_t limit = 8192;  // less than any output
    for (const std::string name : {"a.png", "a.svg", "a.pdf"}) {
        SCOPED_TRACE(name);
        std::ofstream(dir / name) << "old";
        std::ofstream(dir / "t.jsonl") << "old trace";
        const Outcome r =
            run("snapshot --device tablet --ra 17 --dec 31 --out " + name + " --trace t.jsonl", dir, limit);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(name), std::string::npos) << r.output;
        EXPECT_EQ(bytesOf(dir / name), "old");
        EXPECT_EQ(bytesOf(dir / "t.jsonl"), "old trace");
        fs::remove(dir / name);
        fs::remove(dir / "t.jsonl");
        EXPECT_EQ(run("snapshot --ra 17 --dec 31 --out " + name, dir, limit).status, 1);
        EXPECT_TRUE(fs::is_empty(dir)) << "no part of a file";
    }
}

// The largest image the flags allow, 4096 x 4096 points at 4 pixels a point,
// is a surface of 16384 x 16384 pixels of 4 bytes (1 GiB). The program holds
// that and at most 200 MB more at its peak. Sanitizers add their own memory.
#if !defined(__SANITIZE_ADDRESS__)
TEST(Snapshot, TheLargestImagePeaksAtItsSurfacePlus200MB) {
    struct rusage usage {};
    const Outcome r = runProgram({"snapshot", "--size", "4096x4096", "--pixel-ratio", "4", "--ra", "17",
                                  "--dec", "31", "--out", "largest.png"},
                                 scratch(), 0, &usage);
    ASSERT_EQ(r.status, 0) << r.output;
    const long long peak = (long long)usage.ru_maxrss * 1024;  // ru_maxrss is in kB
    std::cout << "peak " << peak / (1 << 20) << " MiB\n";
    EXPECT_LE(peak, 1073741824LL + 200000000LL);
    EXPECT_GE(peak, 1073741824LL) << "the surface itself";
    // Its header only: decoding it would take another gigabyte here.
    EXPECT_EQ(pngSize(scratch() / "largest.png"), std::make_pair(16384u, 16384u));
    fs::remove(scratch() / "largest.png");
}
#endif
