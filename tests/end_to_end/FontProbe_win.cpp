// Loaded into the program by a hook: answers a probe message sent to one of
// its controls with the control's font, which WM_GETFONT cannot carry across
// processes under Wine.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    FontProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RegisterWindowMessageW(L"Varnholt.FontProbe")) {
        // The answer goes into the text of the driver's window named by wParam.
        const auto font = reinterpret_cast<HFONT>(SendMessageW(call->hwnd, WM_GETFONT, 0, 0));
        LOGFONTW description{};
        std::wstring answer = L"none";
        if (font && GetObjectW(font, sizeof(description), &description) == sizeof(description)) {
            answer = description.lfFaceName;
            if (font == GetStockObject(SYSTEM_FONT)) {
                answer += L" (stock)";
            }
        }
        SetWindowTextW(reinterpret_cast<HWND>(call->wParam), answer.c_str());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
