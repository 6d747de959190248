// Texts that more than one file shows. Texts used in one place stay there.
#pragma once

inline constexpr char TXT_ERROR_CAPTION[] = "ｴﾗｰ情報";
inline constexpr char TXT_SETUP[] = "セットアップ";
inline constexpr char TXT_SETUP_ERROR[] = "ｾｯﾄｱｯﾌﾟ ｴﾗｰ";
// Another setup or uninstaller of this engine holds the mutex of one run at a time.
inline constexpr char TXT_ANOTHER_RUN[] =
    "ほかのセットアップ (またはアンインストール) が実行中です。\n\nそれが終わってから、もう一度実行してください。";
// A folder that is a junction, symbolic link or mount point: files written
// through it would land, and be logged, where the user never chose.
inline constexpr char TXT_LINKED_FOLDER[] =
    "%s\n\nこのフォルダは、ほかの場所を指すリンク (ジャンクションやシンボリック リンク) です。\nリンクを通してインストールすることはできません。";
inline constexpr char TXT_DATA_ENDED[] =
    "ﾃﾞｰﾀ 読込みの途中で ﾌｧｲﾙ が終了しました。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";
inline constexpr char TXT_DATA_DAMAGED[] =
    "ﾃﾞｰﾀ に誤りがあります。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";
