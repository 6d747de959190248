// Texts that more than one file shows. Texts used in one place stay there.
#pragma once

inline constexpr char TXT_ERROR_CAPTION[] = "ｴﾗｰ情報";
inline constexpr char TXT_SETUP[] = "セットアップ";
inline constexpr char TXT_SETUP_ERROR[] = "ｾｯﾄｱｯﾌﾟ ｴﾗｰ";
inline constexpr char TXT_DATA_ENDED[] =
    "ﾃﾞｰﾀ 読込みの途中で ﾌｧｲﾙ が終了しました。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";
inline constexpr char TXT_DATA_DAMAGED[] =
    "ﾃﾞｰﾀ に誤りがあります。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";
