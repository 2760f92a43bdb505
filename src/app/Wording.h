#pragma once
// Every text the user reads from the controller, in one place: the menu's entries, the
// alerts, the notifications and the application's name. Fixed texts are constants; texts
// with values are functions of those values. The summaries and hints of failures, and the
// texts of the facts the bridge reports, are FailureText's. Pure.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tamsel::words {

inline constexpr std::string_view kAppName = "Orvane for Mac";

// ---- The menu -----------------------------------------------------------------------

// The bold first line: the name, and the version when there is one.
std::string header(const std::optional<std::string>& version);

// After the dot of a favourite instance, before its name.
inline constexpr std::string_view kFavouriteMark = "★ ";
// Between an instance's name and its state.
inline constexpr std::string_view kBeforeState = " — ";

// Beside the tray icon while an error is pending.
inline constexpr std::string_view kErrorPending = " !";

inline constexpr std::string_view kLoading = "読み込み中…";
inline constexpr std::string_view kNoInstances = "インスタンスがありません";
std::string lastUpdated(std::string_view time);
inline constexpr std::string_view kReloadNow = "今すぐ更新";
inline constexpr std::string_view kFavouritesOnly = "お気に入りだけ表示";
inline constexpr std::string_view kStartAtLogin = "ログイン時に起動";
// Where a menu that cannot scroll keeps what does not fit on the screen.
inline constexpr std::string_view kSettings = "設定";
std::string moreInstances(std::size_t count);
// Before the entries of a submenu set out in place under its title.
inline constexpr std::string_view kInlineIndent = "　";
inline constexpr std::string_view kQuit = "終了";

// The error lines.
std::string errorSummaryLine(std::string_view summary);
std::string errorHintLine(std::string_view hint);
inline constexpr std::string_view kWaitingForSignIn = "　ブラウザでのサインインを待っています…";
inline constexpr std::string_view kRunSSOLogin = "　aws sso login を実行…";
inline constexpr std::string_view kCopySignInURL = "　サインイン用の URL をコピー";
std::string copySignInCode(std::string_view code);
inline constexpr std::string_view kShowErrorDetail = "　エラーの詳細…";

// An instance's submenu.
std::string runningForDays(long long days, long long hours);
std::string runningForHours(long long hours, long long minutes);
std::string runningForMinutes(long long minutes);
std::string stopDue(std::string_view hourMinute);
inline constexpr std::string_view kStart = "起動";
inline constexpr std::string_view kStop = "停止";
inline constexpr std::string_view kBookStop = "停止を予約";
std::string stopAfterHours(int hours);
std::string cancelStopBooking(std::string_view hourMinute);
inline constexpr std::string_view kAddFavourite = "お気に入りに追加";
inline constexpr std::string_view kRemoveFavourite = "お気に入りから外す";
inline constexpr std::string_view kCopyID = "ID をコピー";
std::string copyPublicIP(std::string_view address);
std::string copyPrivateIP(std::string_view address);
inline constexpr std::string_view kConnectSSH = "SSH で接続";
inline constexpr std::string_view kCopySSHCommand = "SSH コマンドをコピー";

// The ingress lock: the entry with the chosen group, and the choice of none.
std::string ingressLockEntry(std::string_view choice);
inline constexpr std::string_view kNoLockGroup = "しない";

// Profiles and regions.
inline constexpr std::string_view kDefault = "デフォルト";
inline constexpr std::string_view kProfileEntryBefore = "プロファイル: ";
inline constexpr std::string_view kDefaultProfileEntry = "プロファイル: デフォルト";
inline constexpr std::string_view kDefaultRegion = "デフォルト (AWS CLI の設定)";
inline constexpr std::string_view kRegionNotChecked = "（確認できませんでした）";
std::string regionRunningCount(std::size_t count);
std::string sweepProgress(std::size_t done, std::size_t total);
inline constexpr std::string_view kSweepRegions = "ほかのリージョンを確認";
std::string sweepRegionsAgain(std::string_view hourMinute);
std::string regionEntry(const std::optional<std::string>& region);

// ---- Alerts -------------------------------------------------------------------------

inline constexpr std::string_view kOperationFailedTitle = "操作に失敗しました";
inline constexpr std::string_view kSignInFailedTitle = "サインインできませんでした";
// The label above a failure's own text: a lookup's reason, or the tool's message.
inline constexpr std::string_view kDetailLabel = "詳細:";
inline constexpr std::string_view kToolMessageLabel = "AWS CLI のメッセージ:";
// A job failed with something that says nothing of itself.
inline constexpr std::string_view kUnknownError = "不明なエラーが発生しました";

std::string lockGroupNotAttached(std::string_view groupID);
inline constexpr std::string_view kChooseLockGroupAgain = "「起動時に SG を自分の IP 専用にする」を選び直してください";

std::string stopQuestion(std::string_view name);
inline constexpr std::string_view kCancel = "キャンセル";

// Asking for the code of the MFA device `device` (its ARN), which the profile's role wants.
inline constexpr std::string_view kMFACodeTitle = "MFA コードの入力";
std::string mfaCodeQuestion(std::string_view device);
inline constexpr std::string_view kOK = "OK";

std::string ingressLockQuestion(std::string_view groupID);
inline constexpr std::string_view kIngressLockWarning =
    "このアプリからインスタンスを起動するたびに、このセキュリティグループのインバウンドルールをすべて削除し、"
    "このコンピューターのグローバル IP アドレスからの全トラフィックを許可するルールだけにします。"
    "\n\n"
    "同じセキュリティグループを使っている他のリソースにも影響します。";
inline constexpr std::string_view kEnable = "有効にする";

inline constexpr std::string_view kNoTerminal = "端末が見つかりません";
inline constexpr std::string_view kNoTerminalHint =
    "SSH で接続するには端末が必要です。xterm などの端末をインストールするか、"
    "環境変数 TERMINAL に端末のコマンドを設定してください。"
    "\n\n"
    "探した端末: xdg-terminal-exec、x-terminal-emulator、gnome-terminal、konsole、xfce4-terminal、xterm";
inline constexpr std::string_view kTerminalNotStarted = "端末を起動できませんでした";

inline constexpr std::string_view kLoginItemFailed = "ログイン項目の設定に失敗しました";

inline constexpr std::string_view kSettingsNotSaved = "設定を保存できませんでした";
std::string settingsNotSavedBody(std::string_view file, std::string_view reason);

// ---- Notifications ------------------------------------------------------------------

std::string hasStarted(std::string_view name);
std::string publicIP(std::string_view address);
std::string hasStopped(std::string_view name);
std::string stoppedAsBooked(std::string_view name);
std::string stillChanging(std::string_view name, std::string_view state);
inline constexpr std::string_view kNotSettled = "10 分たっても状態が変わりません";
std::string didNotStart(std::string_view name, std::string_view state);
std::string didNotStop(std::string_view name, std::string_view state);

// Where "aws sso login" asks the user to sign in, with the code to enter when there is one.
std::string signInPrompt(const std::optional<std::string>& code);

// A booked stop whose time passed while the application was not running.
std::string missedStopBooking(std::string_view name, std::string_view hourMinute);
// A booked stop whose time passed while the machine slept (or the application could not act).
std::string stopBookingMissedAsleep(std::string_view name, std::string_view hourMinute);
// A booked stop dropped when due, since the instance had been stopped after it was booked.
std::string stopBookingOvertaken(std::string_view name, std::string_view hourMinute);
// A booked stop that AWS refused or that could not be run: the alert's title and the notification.
std::string stopBookingFailed(std::string_view name, std::string_view hourMinute);

}  // namespace tamsel::words
