// The four string tables Setup.exe ships (English, Japanese, Chinese Traditional, Chinese
// Simplified), row by row against the texts the dialog and its messages must show.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

std::string StringTableText(std::uint16_t language, int stringId);

namespace {

// Keyed by the numbers the rows are filed under, which the program's ids must keep.
struct Row {
    int id;
    const char* texts[4]; // in the order of Languages
};
constexpr std::uint16_t Languages[] = {0x0409, 0x0411, 0x0404, 0x0804};

// clang-format off
const Row Rows[] = {
    {101, {"About ", "バージョン情報", "關於", "关于"}},
    {102, {"This program will install or uninstall #DEV_NAME# device driver for you.\n\nBefore you proceed it is recommended that you close all other programs; Especially the Device Manager, Add New Hardware Wizard dialogs and also open files, folders and running programs on your device.\n\nPlease first select \"Install or update driver\" or \"Uninstall driver\" then press \"Start\" to begin; Or you can press \"Exit\" to end this program.", "このプログラムは、#DEV_NAME#デバイスドライバーをインストール、またはアンインストールするためのものです。\nこのプログラムを実行する前に他のプログラムを全て終了させて下さい。特に、デバイスマネージャー、ハードウエアウイザード・ダイアログ、及び他のオープンファイル、フォルダ、実行中のプログラムを必ず終了させて下さい。\n次に、下のメニューの、”ドライバーをインストール、またはアップデートします”の項目か、”ドライバーをアンインストールします”のいづれかの項目を選び、”スタート”のボタンをクリックして下さい。\n何も行わず、このプログラムを終了する場合は、”終了”のボタンをクリックして下さい。", "這個程式將為您安裝或移除#DEV_NAME#驅動程式。\n\n建議您先關閉裝置管理員、新增硬體精靈等程式或對話盒後進行；並且關閉從您的裝置上開啟的文件、執行的程式等。\n\n請先選擇“安裝或升級驅動程式”或“卸載和移除驅動程式”然後按“開始”來開始安裝或卸載；或者按“離開”來結束這個程式。", "这个程序将会为您安装或卸载“#DEV_NAME#” 驱动程序。\n\n建议您先关闭“设备管理器”、“添加硬件向导” 等程序或对话窗口后进行；并且关闭从您的设备上开启的文件、执行的程序等。\n\n请先选择“安装或升级驱动”或“卸载和移除驱动”然后按“开始”来开始安装或卸载；或者按“退出”来结束这个程序。"}},
    {105, {"This program is for Windows 98 only !", "このプログラムはWindows 98の為のものです!", "這個程式只適用於 Windows 98 ！", "这个程序只适用于Windows 98 ！"}},
    {109, {"installing...", "インストール中です", "正在安裝．．．", "正在安装．．．"}},
    {113, {"removing device if present...", "デバイスを取り外し中です", "正在卸載．．．", "正在卸载驱动程序．．．"}},
    {114, {"Uninstallation is complete.", "アンインストールを完了しました。", "移除完成。", "卸载完成。"}},
    {116, {"INF file not found !", "INFファイルが見つかりません!", "找不到 INF 檔案！", "找不到INF(IN_)档案！"}},
    {118, {"SYS(SY_) file not found !", "SYS(SY_)ファイルが見つかりません!", "找不到 SYS(SY_) 檔案！", "找不到SYS(SY_)档案！"}},
    {119, {"MPD file not found !", "MPDファイルが見つかりません!", "找不到 MPD 檔案！", "找不到MPD档案！"}},
    {124, {"Select Install/Uninstall", "インストール/アンインストールを選んで下さい", "選擇  安裝 / 卸載", "选择 安装/卸载"}},
    {125, {"Install or update driver", "ドライバーをインストール、またはアップデートします", "安裝或升級驅動程式", "安装或升级驱动"}},
    {126, {"Uninstall driver", "ドライバーをアンイントールします", "卸載和移除驅動程式", "卸载和移除驱动"}},
    {127, {"Start", "スタート", "開始", "开始"}},
    {128, {"Exit", "終了", "離開", "退出"}},
    {129, {"Installation is complete. Please replug your device.", "ドライバーのインストールは完了しました。USBフラッシュメモリをプラグインして下さい。", "安裝完成。請重新拔插您的裝置。", "安装完成。请重新拔插。"}},
    {130, {"The driver files could not be copied into the Windows folder. Installation is not complete.", "ドライバーのファイルをWindowsフォルダーにコピーできませんでした。インストールは完了していません。", "無法將驅動程式檔案複製到Windows資料夾。安裝未完成。", "无法将驱动程序文件复制到Windows文件夹。安装未完成。"}},
    {131, {"waiting for another setup...", "他のセットアップを待っています", "正在等待另一個安裝程式．．．", "正在等待另一个安装程序．．．"}},
    {132, {"The driver could not be removed from the Windows folder. Uninstallation is not complete.", "ドライバーをWindowsフォルダーから削除できませんでした。アンインストールは完了していません。", "無法從Windows資料夾中刪除驅動程式。解除安裝未完成。", "无法从Windows文件夹中删除驱动程序。卸载未完成。"}},
    {325, {"NORVALE PocketVault Win98 Driver Setup Utility", "NORVALE PocketVault Win98 ドライバー・セットアップ・ユーティリティ", "NORVALE PocketVault Win98 Driver Setup Utility", "NORVALE PocketVault Win98 Driver Setup Utility"}},
    {326, {"PocketVault", "PocketVault", "PocketVault", "PocketVault"}},
    {328, {"no link", "no link", "no link", "no link"}},
};
// clang-format on

TEST(ShippedTexts, EveryRowInEveryLanguage)
{
    for (const Row& row : Rows) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(StringTableText(Languages[i], row.id), row.texts[i]) << row.id;
    }
    // The about text: the title with the version, a blank line and one line of its own.
    for (const std::uint16_t language : Languages) {
        const std::string title = language == 0x0411
                                      ? "NORVALE PocketVault Win98 ドライバー・セットアップ・ユーティリティ v.2.03\n\n"
                                      : "NORVALE PocketVault Win98 Driver Setup Utility v.2.03\n\n";
        const std::string text = StringTableText(language, 327);
        EXPECT_TRUE(text.starts_with(title)) << language;
        EXPECT_GT(text.size(), title.size()) << language;
        EXPECT_EQ(text.find('\n', title.size()), std::string::npos) << language;
    }
}

} // namespace
