// SPDX-License-Identifier: GPL-3.0-or-later
// Runs of the built program's command line with regular files as sources,
// each in a session of its own with no terminal and no display, as a script
// or a service would start it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "Files.h"
#include "TempDir.h"
#include "TestVolume.h"

namespace vorkan {
namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs the program; `onErrLine` sees each line of stderr as it comes, with
// the child's pid, so that it can signal the child.
Outcome RunProgram(const std::vector<std::string>& args,
                   const std::function<void(pid_t, const std::string&)>& onErrLine = {}) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    std::vector<char*> argv{const_cast<char*>(VORKAN_PROGRAM)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Outcome result;
  std::string pending;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  for (int open = 2; open > 0;) {
    if (::poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      if (i == 0 || !onErrLine) continue;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
        onErrLine(pid, pending.substr(0, nl));
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

bool IsJson(const std::string& text) {
  return test::Run("printf '%s' " + test::Quote(text) +
                   " | python3 -c 'import json,sys; json.load(sys.stdin)'")
             .status == 0;
}

enum class Image { Source, Old, None, Prefix, Beside };

struct Row {
  const char* what;
  std::vector<std::string> args;  // "SRC", "MID", "BIG", "IMG" and "DIR" stand for the files
  bool imageBefore;               // "old" stands under IMG first
  int status;
  Image image;
  std::function<void(const test::TempDir&, const Outcome&)> check;
};

TEST(CommandLine, RunsWithoutTerminalOrDisplay) {
  test::TempDir dir;
  const std::string src = dir / "source.bin", img = dir / "image.IMA", big = dir / "big.bin";
  const std::string mid = dir / "mid.bin", beside = dir / "image (1).IMA";
  test::WriteFile(src, test::PatternBytes(3 * 262144 + 1000, 7));
  // A big sparse file with data at the start: far slower to copy than the
  // time a signal takes to arrive, and its prefix tells where a copy stopped.
  test::WriteFile(big, test::PatternBytes(8 << 20, 9));
  ASSERT_EQ(::truncate(big.c_str(), 64LL << 30), 0);
  // Long enough a copy for a file to take its name meanwhile.
  test::WriteFile(mid, test::PatternBytes(8 << 20, 5));
  ASSERT_EQ(::truncate(mid.c_str(), 512 << 20), 0);
  const auto expect = [](const std::string& text) {
    return [text](const test::TempDir&, const Outcome& o) {
      EXPECT_NE(o.out.find(text), std::string::npos) << o.out;
    };
  };
  const auto jsonLines = [](const test::TempDir&, const Outcome& o) {
    // The messages of the prompts are lines of their own among them.
    std::size_t lines = 0;
    for (std::size_t at = 0, nl; (nl = o.err.find('\n', at)) != std::string::npos; at = nl + 1) {
      if (o.err[at] != '{') continue;
      EXPECT_TRUE(IsJson(o.err.substr(at, nl - at))) << o.err.substr(at, nl - at);
      ++lines;
    }
    EXPECT_GE(lines, 2u) << o.err;
  };
  const Row rows[] = {
      {"copy with digest",
       {"copy", "SRC", "IMG", "--sha256"},
       false,
       0,
       Image::Source,
       [&](const test::TempDir&, const Outcome& o) {
         EXPECT_EQ(o.out, test::Sha256(src) + "  " + img + "\n");
       }},
      {"checksum file",
       {"copy", "--checksum-file", "SRC", "IMG", "--progress=json"},
       false,
       0,
       Image::Source,
       [&](const test::TempDir& d, const Outcome& o) {
         jsonLines(d, o);
         EXPECT_NE(o.err.find("\"state\":\"done\""), std::string::npos) << o.err;
         EXPECT_EQ(test::Run("cd " + test::Quote(d.Path()) + " && sha256sum -c image.IMA.sha256").status, 0);
       }},
      {"existing image refused", {"copy", "SRC", "IMG"}, true, 1, Image::Old, {}},
      {"existing image replaced", {"copy", "SRC", "IMG", "--replace"}, true, 0, Image::Source, {}},
      {"name taken meanwhile",
       {"copy", "MID", "IMG", "--progress=json"},
       false,
       5,
       Image::Beside,
       [&](const test::TempDir&, const Outcome& o) { EXPECT_EQ(o.out, beside + "\n"); }},
      {"verify against a source",
       {"verify", "IMG", "SRC"},
       true,
       3,
       Image::Old,
       expect("differs from " + src + " at byte 0\n")},
      {"unknown option", {"copy", "SRC", "IMG", "--bogus"}, false, 2, Image::None, {}},
      {"unknown command", {"frobnicate"}, false, 2, Image::None, {}},
      {"folder that is no mount point", {"copy", "DIR", "IMG"}, false, 1, Image::None, {}},
      {"help", {"--help"}, false, 0, Image::None, expect("143  ended by SIGTERM")},
      {"copy help",
       {"copy", "--help"},
       false,
       0,
       Image::None,
       expect("5    the image was kept under another")},
      {"version", {"--version"}, false, 0, Image::None, expect("vorkan 1.2\n")},
      {"list",
       {"list", "--json"},
       false,
       0,
       Image::None,
       [](const test::TempDir&, const Outcome& o) { EXPECT_TRUE(IsJson(o.out)) << o.out; }},
      {"stopped",
       {"copy", "BIG", "IMG", "--force", "--progress=json"},
       false,
       143,
       Image::None,
       [&](const test::TempDir& d, const Outcome& o) {
         jsonLines(d, o);
         EXPECT_NE(o.err.find("\"state\":\"stopped\"}\n"), std::string::npos) << o.err;
       }},
      {"stopped, part kept",
       {"copy", "BIG", "IMG", "--force", "--keep-partial", "--progress=json"},
       false,
       143,
       Image::Prefix,
       jsonLines},
  };
  const std::map<std::string, std::string> files{
      {"SRC", src}, {"MID", mid}, {"BIG", big}, {"IMG", img}, {"DIR", dir.Path()}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const std::string& name : {img, img + ".sha256", beside}) ::unlink(name.c_str());
    if (row.imageBefore) test::WriteFile(img, "old");
    std::vector<std::string> args;
    for (const std::string& a : row.args) args.push_back(files.count(a) != 0 ? files.at(a) : a);
    // Once the copy has begun: a stop, or another file under the name.
    bool begun = false;
    const Outcome o = RunProgram(args, [&](pid_t pid, const std::string& line) {
      if (begun || line.rfind("{\"bytes\"", 0) != 0) return;
      begun = true;
      if (row.status == 143) ::kill(pid, SIGTERM);
      if (row.status == 5) test::WriteFile(img, "other");
    });
    EXPECT_EQ(o.status, row.status) << o.err;
    if (row.status == 2) {
      EXPECT_NE(o.err.find("Usage: vorkan"), std::string::npos) << o.err;
    }
    switch (row.image) {
      case Image::Source: EXPECT_EQ(test::ReadFile(img), test::ReadFile(src)); break;
      case Image::Old: EXPECT_EQ(test::ReadFile(img), "old"); break;
      case Image::None: EXPECT_FALSE(test::Exists(img)); break;
      case Image::Beside:
        EXPECT_EQ(test::ReadFile(img), "other");
        EXPECT_EQ(test::Run("cmp " + test::Quote(mid) + " " + test::Quote(beside)).status, 0);
        break;
      case Image::Prefix: {
        const std::int64_t kept = test::SizeOf(img);
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, 64LL << 30);
        EXPECT_EQ(test::Sha256(img), test::Sha256OfPrefix(big, kept));
        break;
      }
    }
    if (row.check) row.check(dir, o);
    // Nothing but what the row meant to leave: no partial or hidden file.
    std::vector<std::string> names{"big.bin", "mid.bin", "source.bin"};
    if (test::Exists(beside)) names.push_back("image (1).IMA");
    if (test::Exists(img)) names.push_back("image.IMA");
    if (test::Exists(img + ".sha256")) names.push_back("image.IMA.sha256");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::ListFolder(dir.Path()), names);
  }
}

// A mounted ext4 loop volume copied by each name a script may give it: the
// letter the list shows, the device, its link by label and its mount point;
// each image holds the device's bytes.
TEST(CommandLine, CopiesAVolumeByEachOfItsNames) {
  test::TempDir dir;
  std::string why;
  auto volume = test::TestVolume::Make(test::VolumeKind::Ext4, dir / "volume", why, {"CLICOPY", "16M"});
  if (!volume) GTEST_SKIP() << why;
  if (!volume->Mount(dir / "mnt", why, true)) GTEST_SKIP() << why;
  const Outcome list = RunProgram({"list"});
  ASSERT_EQ(list.status, 0) << list.err;
  std::string letter;
  for (std::size_t at = 0, nl; (nl = list.out.find('\n', at)) != std::string::npos; at = nl + 1) {
    const std::string line = list.out.substr(at, nl - at);
    if (line.find(" " + volume->Device() + " ") != std::string::npos) letter = line.substr(0, 2);
  }
  ASSERT_FALSE(letter.empty()) << "no row for " << volume->Device() << " in\n" << list.out;
  test::Run("udevadm settle --timeout=5");
  const std::string byLabel = "/dev/disk/by-label/CLICOPY";
  const std::string device = test::Sha256(volume->Device());
  for (const std::string& source : {letter, volume->Device(), byLabel, dir / "mnt"}) {
    SCOPED_TRACE(source);
    if (source == byLabel && !test::Exists(byLabel)) continue;  // no udev here
    const std::string image = dir / "image.img";
    const Outcome o = RunProgram({"copy", source, image, "--sha256"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(test::Sha256(image), device);
    EXPECT_EQ(o.out, device + "  " + image + "\n");
    std::filesystem::remove(image);
  }
}

}  // namespace
}  // namespace vorkan
