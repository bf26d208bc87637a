#pragma once
// Every file embedded in the program, in the order loading extracts them: the name the program
// looks it up by and its file under resources/. assetgen makes the files and resources.list
// (which the build embeds) from this table, and loading takes them in its order.
struct ResourceFile {
    const char* name;
    const char* file;
};

inline constexpr ResourceFile ResourceFiles[] = {
    {"DATA_FONTS_RAW", "fonts.raw"},
    {"DATA_LOADING_TGA", "loading.tga"},
    {"DATA_LOADER_TGA", "loader.tga"},
    {"DATA_MOUSE_TGA", "mouse.tga"},
    {"DATA_BUBBLE0_TGA", "bubble0.tga"},
    {"DATA_BUBBLE1_TGA", "bubble1.tga"},
    {"DATA_BUBBLE2_TGA", "bubble2.tga"},
    {"DATA_BUBBLE3_TGA", "bubble3.tga"},
    {"DATA_BUBBLE4_TGA", "bubble4.tga"},
    {"DATA_BUBBLE5_TGA", "bubble5.tga"},
    {"DATA_BUBBLE6_TGA", "bubble6.tga"},
    {"DATA_BUBBLE7_TGA", "bubble7.tga"},
    {"DATA_SELECT1A_TGA", "select1a.tga"},
    {"DATA_SELECT2A_TGA", "select2a.tga"},
    {"DATA_SELECT3A_TGA", "select3a.tga"},
    {"DATA_SELECT4A_TGA", "select4a.tga"},
    {"DATA_SELECT5A_TGA", "select5a.tga"},
    {"DATA_SELECT1B_TGA", "select1b.tga"},
    {"DATA_SELECT2B_TGA", "select2b.tga"},
    {"DATA_SELECT3B_TGA", "select3b.tga"},
    {"DATA_SELECT4B_TGA", "select4b.tga"},
    {"DATA_SELECT5B_TGA", "select5b.tga"},
    {"DATA_1_TGA", "plate1.tga"},
    {"DATA_2_TGA", "plate2.tga"},
    {"DATA_3_TGA", "plate3.tga"},
    {"DATA_4_TGA", "plate4.tga"},
    {"DATA_6_TGA", "plate6.tga"},
    {"DATA_8_TGA", "plate8.tga"},
    {"DATA_9_TGA", "plate9.tga"},
    {"DATA_ZSPHERE_ASC", "zsphere.asc"},
    {"DATA_MORA01BACK_JPG", "mora01back.jpg"},
    {"DATA_MENU_JPG", "menu.jpg"},
    {"DATA_PAGE1_PCX", "page1.pcx"},
    {"DATA_PAGE2_PCX", "page2.pcx"},
    {"DATA_PAGE3_PCX", "page3.pcx"},
    {"DATA_PAGE4_PCX", "page4.pcx"},
};
inline constexpr int resourceFileCount = int(sizeof ResourceFiles / sizeof ResourceFiles[0]);

// Whether the entry at `index` has `name`: loading checks with it that its positions and the
// table agree.
constexpr bool resourceNamed(int index, const char* name)
{
    const char* own = ResourceFiles[index].name;
    while (*own != '\0' && *own == *name) {
        ++own;
        ++name;
    }
    return *own == *name;
}
