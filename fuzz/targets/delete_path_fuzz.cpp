// The deleter's reading of a path: a root is empty or names a volume, the
// names below a root are plain and give back the path they came from, and
// nothing reads past a text.
#include "fs/delete_path.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::wstring rootText = in.Text(64);
    const std::wstring path = ufc::PlainPath(in.Rest().c_str());

    const std::wstring root = ufc::NormalRoot(rootText);
    if (!root.empty()) {
        const std::wstring volume = ufc::VolumeOf(root.back() == L'\\' ? root : root + L"\\");
        FUZZ_CHECK(!volume.empty() && root.compare(0, volume.size(), volume) == 0);
        FUZZ_CHECK(ufc::NormalRoot(root) == root);
    }
    std::size_t below = 0;
    if (!ufc::HoldsPath(root, path, &below)) return 0;
    FUZZ_CHECK(below >= root.size() && below <= path.size() + 1);
    std::vector<std::wstring> names;
    if (!ufc::SplitNames(path, below, &names)) return 0;
    std::wstring joined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool lastEmpty = i + 1 == names.size() && names[i].empty();
        FUZZ_CHECK(lastEmpty || ufc::IsPlainName(names[i]));
        FUZZ_CHECK(names[i].find(L'\\') == std::wstring::npos);
        joined += (i ? L"\\" : L"") + names[i];
    }
    FUZZ_CHECK(below >= path.size() || joined == path.substr(below));
    return 0;
}
