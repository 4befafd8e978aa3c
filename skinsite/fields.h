// The skin site's form: the twelve profile fields (ids, names and captions) and the template count.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quelvo::skinsite {

inline constexpr int templateCount = 48;
inline constexpr std::size_t fieldCount = 12;
// Longest value a field may hold, in characters (Unicode code points).
inline constexpr std::size_t maxFieldCharacters = 64;

// Ids and names of the text inputs of every template page, in page order.
inline constexpr std::array<std::string_view, fieldCount> fieldIds = {
    "qq",        "usernick",  "userannouncement",  "usergender", "userage",     "userbirthday",
    "usergroup", "userlunar", "userconstellation", "qzonenick",  "useraddress", "userreflections"};

// Captions shown beside the inputs and drawn beside the values on the finished picture.
inline constexpr std::array<std::string_view, fieldCount> fieldCaptions = {
    "Q Q", "昵称", "签名", "性别", "年龄", "生日", "血型", "生肖", "星座", "国家", "省份", "城市"};

// Name of the hidden input that carries the template number, and of the make button.
inline constexpr std::string_view templateFieldName = "template";
inline constexpr std::string_view makeButtonName = "btnmake";

}  // namespace quelvo::skinsite
