// libFuzzer target: an entry's raw name, extra field, host and flags,
// decoded to a name by every encoding and code page the component knows,
// then cleaned as entry names and base folders are. A name that cleans
// must clean to itself again, and joined to a base folder must stay inside
// it; any input must end in a result, never a crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/CodePage.h"
#include "zip/EntryNames.h"
#include "zip/NameCleaning.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Check;

constexpr unsigned kPages[] = {0, 1252, 850, 437, 1250, 932, 65001, 28591, 12345};

void CheckCleaning(const std::string& name) {
  for (const vorn::TZUCleanForm form : {vorn::TZUCleanForm::Strict, vorn::TZUCleanForm::Lenient}) {
    std::string cleaned;
    const vorn::TZUCleanResult result = vorn::CleanZipName(name, form, cleaned);
    if (result != vorn::ZcClean && result != vorn::ZcWildcard) continue;
    // A result that begins "\\?\" is taken unchanged when cleaned again.
    std::string again;
    const bool verbatim = cleaned.compare(0, 4, "\\\\?\\") == 0;
    Check(vorn::CleanZipName(cleaned, form, again) == (verbatim ? vorn::ZcClean : result) && again == cleaned);
    if (form != vorn::TZUCleanForm::Strict || vorn::IsRootedName(cleaned)) continue;
    // The extraction's target: base folder, one backslash, the name.
    const std::string base = "C:\\Temp\\Inst_Temp\\";
    std::string target;
    const vorn::TZUCleanResult joined = vorn::CleanZipName(base + cleaned, form, target);
    Check(joined == result);
    Check(target.compare(0, base.size(), base) == 0 && target.size() > base.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const auto encoding = static_cast<vorn::TZUEncodingOpts>(input.ConsumeIntegralInRange<int>(0, 4));
  const unsigned page = kPages[input.ConsumeIntegralInRange<size_t>(0, std::size(kPages) - 1)];
  const unsigned oem = input.ConsumeBool() ? 850 : 437;
  vorn::SetCodePages(input.ConsumeBool() ? 1252 : 1250, oem);
  const uint16_t madeBy = input.ConsumeIntegral<uint16_t>();
  const uint16_t flag = input.ConsumeIntegral<uint16_t>();
  const std::string raw = input.ConsumeRandomLengthString(1024);
  const std::string extra = input.ConsumeRandomLengthString(1024);
  const std::string comment = input.ConsumeRemainingBytesAsString();

  const vorn::TZUNameSource source{raw, extra, comment, madeBy, flag};
  vorn::DetectEncoding(source);
  const std::string name = vorn::DecodeEntryName(source, encoding, page);
  Check(name.find('/') == std::string::npos);
  CheckCleaning(name);
  CheckCleaning(raw);
  return 0;
}
