#include "core/wmi_init.h"

#include "util/log_client.h"

namespace ufc {

namespace {

// Published identifiers of the management-service locator; spelled out here
// so the module needs no extra import library for them.
constexpr CLSID kClsidWbemLocator = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
constexpr IID kIidWbemLocator = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

// Security may be set once per process; a later attempt is told it is late,
// which means the process already has what this scope asks for.
constexpr HRESULT kSecurityAlreadySet = static_cast<HRESULT>(0x80010119);  // RPC_E_TOO_LATE

// The log block's records keep the line numbers the support tools expect.
class InitLog {
public:
    InitLog() : open_(LogOpen("WmiInit.txt") >= 0) {}
    ~InitLog() {
        if (open_) LogClose();
    }
    void Write(int line, const char* message) const {
        if (open_) LogWrite("WmiInit::WmiInit", ".\\cleanup", line, message);
    }

private:
    bool open_;
};

}  // namespace

WmiInit::WmiInit() {
    InitLog log;
    log.Write(116, "\r\n\r\n========================Wmi Init==================\r\n");

    if (com_.Initialized()) {
        log.Write(125, "Initialize COM successed.\r\n");
    } else {
        log.Write(131, "Initialize COM failed.\r\n");
    }

    HRESULT security =
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (SUCCEEDED(security) || security == kSecurityAlreadySet)
        log.Write(137, "Initialize Security successed.\r\n");
    else
        log.Write(142, "Initialize Security failed.\r\n");

    if (SUCCEEDED(CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   kIidWbemLocator, locator_.put_void())))
        log.Write(153, "Create instance successed.\r\n");
    else
        log.Write(149, "Create instance  failed.\r\n");
    log.Write(156, "\r\n\r\n");
}

WmiInit::~WmiInit() = default;

}  // namespace ufc
