// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "Application.h"
#include "CopyHost.h"
#include "ExitStatus.h"
#include "ProgressReport.h"
#include "ReadBack.h"
#include "SourceLetter.h"
#include "Sha256.h"
#include "StopSignals.h"
#include "TerminalAuthAgent.h"
#include "UDisksOpener.h"
#include "volume/DriveLetterMap.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::cli {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "vorkan: %s\n", text.c_str()); }

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  return ::getcwd(cwd, sizeof cwd) == nullptr ? path : std::string(cwd) + "/" + path;
}

bool Stands(const std::string& path, struct stat& st) { return ::lstat(path.c_str(), &st) == 0; }

// Written whole under a name of its own first: the checksum file appears
// complete or not at all, and replaces one that stands only when allowed.
bool WriteChecksumFile(const std::string& path, const std::string& line, bool replace) {
  std::string temporary = FolderOfPath(path) + "/.vorkan-sha256-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd, 0666 & ~mask) == 0 &&
            ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok)
    ok = replace ? ::rename(temporary.c_str(), path.c_str()) == 0
                 : ::link(temporary.c_str(), path.c_str()) == 0;
  const int saved = errno;
  ::unlink(temporary.c_str());
  errno = saved;
  return ok;
}

// Whether the user may not open the source's device, so that udisks2 must
// ask for an authorization; false where the copy itself will say what is
// wrong. `refused` is set where asking cannot help.
bool NeedsAuthorization(LinuxVolumeOps& ops, char letter, bool& refused) {
  refused = false;
  const std::string device = ops.DeviceOfRootPath(RootPathOf(letter));
  if (device.empty()) return false;
  const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  if (errno != EACCES && errno != EPERM) return false;
  if (::geteuid() == 0) {
    Say(device + ": " + std::strerror(errno));  // a container's device rules, say: udisks2 cannot help
    refused = true;
    return false;
  }
  if (::isatty(STDIN_FILENO) != 1) {
    // Nobody could type the password: nobody is waited for.
    Say("this user may not read " + device +
        ", and with no terminal nobody can authorize it through udisks2: run vorkan as root, or from a "
        "terminal");
    refused = true;
  }
  return true;
}

}  // namespace

int RunCopy(const CopyOptions& options) {
  const StopSignals stopSignals;
  // A signal while an authorization is being asked for ends that wait too.
  QSocketNotifier stopNotifier(stopSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&stopNotifier, &QSocketNotifier::activated,
                   [] { Application::Instance().SetTerminating(true); });

  UDisksOpener opener;
  LinuxVolumeOps ops;
  ops.SetDeviceOpener(&opener);
  const char letter = SourceLetter(ops, options.source);
  if (letter == 0) return kFailed;

  const std::string image = Absolute(options.image);
  struct stat st {};
  if (Stands(image, st) && S_ISDIR(st.st_mode)) {
    Say(options.image + " is a folder");
    return kFailed;
  }
  if (!options.replace) {
    if (Stands(image, st)) {
      Say(options.image + " exists (--replace replaces it)");
      return kFailed;
    }
    if (options.checksumFile && Stands(image + ".sha256", st)) {
      Say(options.image + ".sha256 exists (--replace replaces it)");
      return kFailed;
    }
  }
  bool refused = false;
  // From a terminal, polkit's text agent asks for the password where no
  // desktop agent does.
  std::optional<TerminalAuthAgent> agent;
  if (NeedsAuthorization(ops, letter, refused) && !refused) agent.emplace();
  if (refused) return kFailed;

  // The file there now is the one agreed to, and only that one: another
  // that takes the name meanwhile stays, and the image goes beside it.
  const ImageTarget target = options.replace ? ReplacingWhatStands(image) : ImageTarget{image, std::nullopt};
  ProgressReport::Style style = ProgressReport::Style::None;
  if (options.progress == CopyOptions::Progress::Json)
    style = ProgressReport::Style::Json;
  else if (::isatty(STDERR_FILENO) == 1)
    style = ProgressReport::Style::Terminal;
  else if (options.progress == CopyOptions::Progress::Lines)
    style = ProgressReport::Style::Lines;
  ProgressReport progress(style);
  std::unique_ptr<Sha256> digest = options.sha256 || options.verify ? std::make_unique<Sha256>() : nullptr;

  CopyHost host(ops, options, letter, target, progress, digest.get(), stopSignals.Descriptor());
  RunCopyRequest(ops, host);

  const int signal = StopSignals::Received();
  if (host.Ran()) progress.Finish(host.Copied() ? "done" : signal != 0 ? "stopped" : "failed");
  const std::string& kept = host.KeptPath();
  int status = host.Copied() ? kSuccess : kFailed;
  if (host.Copied() && kept != image) {
    std::printf("%s\n", kept.c_str());
    status = kKeptElsewhere;
  } else if (!host.Copied() && !kept.empty()) {
    Say("the partial image is " + kept);
  }
  // Bytes the image did not take may stand in it after a failed write: no
  // digest of what was fed can speak for them.
  if (digest && !kept.empty() && !host.WriteFailed()) {
    const std::string hex = digest->Hex();
    if (options.verify && host.Copied()) {
      std::string back;
      if (!Sha256FromDisk(kept, back)) {
        Say("cannot read " + kept + " back: " + std::strerror(errno));
        status = kFailed;
      } else if (back != hex) {
        Say(kept + " read back differs from what was copied");
        status = kDifferent;
      }
    }
    if (options.sha256) std::printf("%s", ChecksumLine(hex, kept == image ? options.image : kept).c_str());
    if (options.checksumFile) {
      const std::string name = kept.substr(kept.rfind('/') + 1);
      if (!WriteChecksumFile(kept + ".sha256", ChecksumLine(hex, name), options.replace)) {
        Say("cannot write " + kept + ".sha256: " + std::strerror(errno));
        if (status == kSuccess) status = kFailed;
      }
    }
  }
  std::fflush(stdout);
  return signal != 0 ? StatusOfSignal(signal) : status;
}

}  // namespace vorkan::cli
