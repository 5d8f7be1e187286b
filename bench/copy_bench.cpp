// Copies one volume with the real copy job and a host that answers no prompt
// and shows nothing, and prints the seconds it took, for copy_vs_dd.sh.
// Usage: copy_bench SOURCE TARGET   (SOURCE: a block device or a regular file)
#include <cstdio>
#include <string>

#include "BenchRun.h"
#include "BenchSource.h"
#include "CopyJob.h"

namespace {

class SilentHost : public vorkan::CopyJobHost {
 public:
  vorkan::PromptResult ShowPrompt(const std::string& text, vorkan::PromptKind, vorkan::PromptButtons) override {
    std::fprintf(stderr, "prompt: %s\n", text.c_str());
    return vorkan::mrCancel;
  }
  void ShowCopyProgress(const std::string&, const std::string&, const std::string&, const std::string&,
                        std::int32_t maximum, std::int32_t position, bool) override {
    maximum_ = maximum;
    position_ = position;
  }
  std::uint8_t GetAbortFlag() override { return 0; }
  std::uint8_t GetPauseFlag() override { return 0; }
  void ProcessPendingEvents() override {}
  bool GetLockOption() override { return false; }
  void SetLockOption(bool) override {}
  std::string GetMainCaption() override { return "Vorkan v1.2"; }
  void SetAppTitle(const std::string&) override {}
  std::int32_t GetPercentComplete() override { return vorkan::PercentOfProgress(maximum_, position_); }

 private:
  std::int32_t maximum_ = 0, position_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  const std::string source = argv[1];
  const std::string target = argv[2];
  vorkan::bench::BenchSource volume;
  if (!vorkan::bench::OpenBenchSource(source, volume)) return 2;

  SilentHost host;
  return vorkan::bench::TimeCopy([&] { return vorkan::CopyDiskToImage(*volume.ops, host, volume.letter, target); });
}
