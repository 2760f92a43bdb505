#pragma once
// Every text the user reads from the desktop adapters and the program's start, in one
// place: the notice of a missing tray, the login item, and what is said on stderr when the
// program cannot run on this desktop. The application's name is the controller's. No Qt.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/MenuModel.h"
#include "app/Wording.h"

namespace tamsel::platformWords {

// The application's name, as the desktop shows it: windows' titles, the tray item, its
// menu, the login item.
inline std::string appName() { return std::string(words::kAppName); }

// ---- The menu ---------------------------------------------------------------------------

// An instance line's state dot as text, followed by its space, for a host that shows it in
// the label; empty for none.
inline std::string_view dotText(StateDot dot) {
    switch (dot) {
        case StateDot::none: break;
        case StateDot::running: return "🟢 ";
        case StateDot::stopped: return "⚫️ ";
        case StateDot::changing: return "🟡 ";
        case StateDot::other: return "⚪️ ";
    }
    return {};
}

// ---- Windows ------------------------------------------------------------------------

inline constexpr char kNoTrayTitle[] = "システムトレイが見つかりません";
inline std::string noTrayBody() {
    return appName() +
           " のアイコンとメニューは、デスクトップのシステムトレイ（通知領域）に表示されます。"
           "このデスクトップには、まだシステムトレイがありません。\n\n"
           "GNOME では、AppIndicator 拡張機能（Debian・Ubuntu のパッケージ gnome-shell-extension-appindicator）を"
           "インストールして有効にしてください。ほかのデスクトップでは、パネルにシステムトレイ（通知領域）を追加してく"
           "ださい。\n\n" +
           appName() + " は起動したままです。トレイが現れると、そこにアイコンを表示します。";
}

// ---- The login item (an XDG autostart entry) ------------------------------------------

// What the entry says of the program, beside its name.
inline constexpr char kLoginItemComment[] = "EC2 インスタンスをシステムトレイから起動・停止します";
inline std::string controlCharacterInPath(const std::string& program) {
    return "プログラムのパスに制御文字が含まれているため、ログイン項目に書けません: " + program;
}
inline constexpr char kProgramUnknown[] =
    "ログイン項目に登録するプログラムの場所が分かりません（/proc/self/exe を読めませんでした）";
inline constexpr char kFolderNotCreated[] = "ログイン項目のフォルダを作成できませんでした";
inline constexpr char kNotWritten[] = "ログイン項目を書き込めませんでした";
inline constexpr char kNotRemoved[] = "ログイン項目を削除できませんでした";
// `what` failed at `path` for the system's `reason`.
inline std::string loginItemFailure(const std::string& what, const std::filesystem::path& path,
                                    const std::string& reason) {
    return what + "（" + path.string() + "）: " + reason;
}

// The reason a settings file cannot be written when the system gives none.
inline constexpr char kWriteFailed[] = "書き込みに失敗しました";

// ---- stderr -------------------------------------------------------------------------

// An environment variable that is unset or empty, where its value is quoted.
inline constexpr char kUnset[] = "（未設定）";

// No display, as only the missing platform plugin `plugin` (shipped in `package`) could open it.
inline std::string missingPlatformPlugin(const std::string& plugin, const std::string& waylandDisplay,
                                         const std::string& display, const std::string& package) {
    return "orvane: ディスプレイに接続できません。Qt の「" + plugin +
           "」プラットフォームプラグインがありません（WAYLAND_DISPLAY=" + waylandDisplay + "、DISPLAY=" + display +
           "）。" + package + " パッケージをインストールしてから起動してください。";
}

// No desktop session at all.
inline std::string noDesktopSession(const std::string& display, const std::string& waylandDisplay) {
    return "orvane: デスクトップのセッションが必要です。ディスプレイに接続できません（DISPLAY=" + display +
           "、WAYLAND_DISPLAY=" + waylandDisplay + "）。デスクトップにログインしてから起動してください。";
}

// Another copy runs, as process `pid`.
inline std::string alreadyRunning(long long pid) {
    return "orvane: すでに起動しています（プロセス " + std::to_string(pid) + "）。2 つ目は起動しません。\n";
}

inline std::string lockFileFailed(const std::string& file) {
    return "orvane: 多重起動を防ぐロックファイルを作成できません: " + file + "\n";
}

inline constexpr char kNoTrayYet[] = "orvane: システムトレイが見つかりません。トレイが現れたらアイコンを表示します。\n";

// The StatusNotifierWatcher refused the item with the D-Bus error `errorName`.
inline std::string watcherRefused(const std::string& errorName) {
    return "orvane: StatusNotifierWatcher への登録が拒否されました（" + errorName + "）。再試行します。\n";
}

// Written with write(2) from the end of the process: a plain array.
inline constexpr char kChildrenNotEnded[] = "orvane: 実行中の aws を終了できませんでした。\n";

}  // namespace tamsel::platformWords
