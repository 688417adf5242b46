#include "base/TextCatalogue.h"

#include "base/Language.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace plandor {
namespace {

struct Entry
{
    qint16 key;
    const char16_t *text;
};

// Every blank, quote and letter below is part of the text shown.
constexpr std::array kEntries = {
    Entry { 1, u"单位" },
    Entry { 2, u"Plandor" },
    Entry { 3, u"串口号" },
    Entry { 4, u"波特率" },
    Entry { 5, u"确定" },
    Entry { 6, u"返回" },
    Entry { 7, u"上传 " },
    Entry { 8, u"下传" },
    Entry { 9, u"打开" },
    Entry { 10, u"保存" },
    Entry { 11, u"复制" },
    Entry { 12, u"粘贴" },
    Entry { 13, u"插入" },
    Entry { 14, u"删除" },
    Entry { 15, u"   频道表" },
    Entry { 16, u"连接失败，请检查通信线路！" },
    Entry { 17, u"  频道表为空！" },
    Entry { 18, u"数据传输成功！" },
    Entry { 19, u"数据传输失败！" },
    Entry { 20, u"请装载频道表！" },
    Entry { 21, u"该文件不是频道表！" },
    Entry { 22, u"您确定要删除所选记录吗？" },
    Entry { 23, u"您确定要加一条新记录吗？" },
    Entry { 24, u"'数字频道号' 应该从0到250！" },
    Entry { 25, u"'数字频道号' 已经占用了！" },
    Entry { 26, u"'标准频道号' 长度应为 1 到 3 个字符！" },
    Entry { 27, u"'频率' 应该从 46MHz  到1000MHz ！" },
    Entry { 28, u"'伴音1' 应该从 0.01MHz 到 9.99MHz ！" },
    Entry { 29, u"'带宽' 应该从 4.0MHz 到 9.9MHz ！" },
    Entry { 30,
        u"'频率' - '伴音1（带宽）/2' 应不小于 46MHz 或 '频率' + '伴音1（带宽）/2' 应不大于 1000MHz "
        u"！" },
    Entry { 31, u"'伴音2' 应该为 0 ！" },
    Entry { 32, u"'伴音2' 应该从 0.01MHz 到 9.99MHz ！" },
    Entry { 33, u"'伴音2'不应小等于 '伴音1' ！" },
    Entry { 34, u"'频率'  +  ' 伴音1' + '伴音2' 应不大于 870MHz ！" },
    Entry { 35, u"'码率' 应该从1.000 MS/s 到 7.000 MS/s！" },
    Entry { 36, u"'频道类型' 应该为 'DUAL' ！" },
    Entry { 37, u"'频道类型' 不该为 'DUAL' ,请先设置伴音2!" },
    Entry { 38, u"'Tilt' 错误！'Enable' 应该为 'Yes' ！" },
    Entry { 39, u"'频道类型' 错误 ！" },
    Entry { 40, u"不需要设置'码率'!" },
    Entry { 41, u"不需要设置'调制方式'!" },
    Entry { 42, u"'调制方式' 错误 ！" },
    Entry { 43, u"'码率'不该为0！" },
    Entry { 44, u"需要设置'调制方式'!" },
    Entry { 45, u"  序列号" },
    Entry { 46, u"数字频道号" },
    Entry { 47, u"标准频道号" },
    Entry { 48, u"频道名称" },
    Entry { 49, u"有效频道" },
    Entry { 50, u"频道类型" },
    Entry { 51, u"中心频率" },
    Entry { 52, u"伴音" },
    Entry { 53, u"   伴音2" },
    Entry { 54, u"    码率" },
    Entry { 55, u" 调制方式" },
    Entry { 56, u"排序" },
    Entry { 57, u"统一设置" },
    Entry { 58, u"带宽" },
    Entry { 59, u"'标准频道号'不能用汉字" },
    Entry { 60, u"伴音1/带宽" },
    Entry { 61, u"第1个喜好频道序号" },
    Entry { 62, u"第2个喜好频道序号" },
    Entry { 63, u"第3个喜好频道序号" },
    Entry { 64, u"第4个喜好频道序号" },
    Entry { 65, u"请确认仪器能够回传或者重启仪器" },
    Entry { 66, u"设置" },
    Entry { 67, u" 请输入正确的频道序号" },
    Entry { 68, u"请先完成设置再下传" },
    Entry { 69, u"第5个喜好频道序号" },
    Entry { 70, u"第6个喜好频道序号" },
    Entry { 71, u"关闭" },
    Entry { 72, u"下载成功" },
    Entry { 501, u"Unit" },
    Entry { 502, u"Plandor" },
    Entry { 503, u"COM" },
    Entry { 504, u"Rate" },
    Entry { 505, u"OK" },
    Entry { 506, u"Cancel" },
    Entry { 507, u"Upload" },
    Entry { 508, u"Download" },
    Entry { 509, u"Open" },
    Entry { 510, u"Save" },
    Entry { 511, u"Copy" },
    Entry { 512, u"Paste" },
    Entry { 513, u"Insert" },
    Entry { 514, u"Delete" },
    Entry { 515, u"  CH No" },
    Entry { 516, u"Failed ! Please check the connection !" },
    Entry { 517, u"  CH plan is null !" },
    Entry { 518, u"Data transferred successfully !" },
    Entry { 519, u"Data transferred unsuccessfully !" },
    Entry { 520, u"Please load the CH plan !" },
    Entry { 521, u"The file is not about CH plan !" },
    Entry { 522, u"Delete selected channel(s) ?" },
    Entry { 523, u"Do you wish to insert a channel ?" },
    Entry { 524, u"'EIA CH' should be from 0 to 250 !" },
    Entry { 525, u"This EIA Channel already in use !" },
    Entry { 526, u" Must be from 1 to 3 characters !" },
    Entry { 527, u"'FREQ' should be from 46 to 1000 MHz !" },
    Entry { 528, u"'Audio1' should be from 0.01 to 9.99 MHz !" },
    Entry { 529, u"'BW' should be from 4.0 to 9.9 MHz !" },
    Entry { 530, u"'FREQ' + 'Audio1' should be less than 1000 MHz !" },
    Entry { 531, u"'Audio2' should be 0 !" },
    Entry { 532, u"'Audio2' should be from 0.01 to 9.99 MHz !" },
    Entry { 533, u"'Audio2' should not be less than 'Audio1' !" },
    Entry { 534, u"'FREQ' + 'Audio1' + 'Audio2' should be less than 870 MHz !" },
    Entry { 535, u"'RATE' should be from 1.000 MS/s to 7.000 MS/s !" },
    Entry { 536, u"You must set Audio2 offset to 0.00 !" },
    Entry { 537, u"For Dual, you must enter an Audio2 offset !" },
    Entry { 538, u"You must set Tilt to \"N\" for channel to be disabled !" },
    Entry { 539, u"The 'Type' is error !" },
    Entry { 540, u"Needn't set Rate!" },
    Entry { 541, u"Needn't set Modulate!" },
    Entry { 542, u"The 'Modulate' is error !" },
    Entry { 543, u"'RS' should  not be 0 !" },
    Entry { 544, u"Need set Rate!" },
    Entry { 545, u"    ID" },
    Entry { 546, u"EIA CH" },
    Entry { 547, u"STD CH" },
    Entry { 548, u"NAME" },
    Entry { 549, u"Enable" },
    Entry { 550, u"  Type" },
    Entry { 551, u"  Freq" },
    Entry { 552, u"Audio Offset" },
    Entry { 553, u"Audio2" },
    Entry { 554, u"     SR" },
    Entry { 555, u"Modulate" },
    Entry { 556, u"Order" },
    Entry { 557, u"Set together" },
    Entry { 558, u"BW" },
    Entry { 559, u"'STD CH' should not  be Chinese" },
    Entry { 560, u"Audio1/Span" },
    Entry { 561, u"1st Favorite CH  ID" },
    Entry { 562, u"2nd Favorite CH  ID" },
    Entry { 563, u"3rd Favorite CH ID" },
    Entry { 564, u"4th Favorite CH  ID" },
    Entry { 565, u"Please make sure connet or reset to try again" },
    Entry { 566, u"Favorites / Tilt" },
    Entry { 567, u"Please input correct ID " },
    Entry { 568, u"Please set first" },
    Entry { 569, u"5th Favorite CH  ID" },
    Entry { 570, u"6th Favorite CH  ID" },
    Entry { 571, u"Close" },
    Entry { 572, u"Data transferred successfully" },
};

static_assert(kEntries.size() == 144);

const Entry *find(qint16 key)
{
    const auto it = std::find_if(
        kEntries.begin(), kEntries.end(), [key](const Entry &e) { return e.key == key; });
    return it == kEntries.end() ? nullptr : &*it;
}

} // namespace

QString TextCatalogue::entry(qint16 key)
{
    const Entry *e = find(key);
    return e ? QString::fromUtf16(e->text) : QString();
}

bool TextCatalogue::contains(qint16 key)
{
    return find(key) != nullptr;
}

QList<qint16> TextCatalogue::keys()
{
    QList<qint16> result;
    result.reserve(qsizetype(kEntries.size()));
    for (const Entry &e : kEntries)
        result.append(e.key);
    return result;
}

QString CatalogueText(qint16 id)
{
    return TextCatalogue::entry(qint16(id + LanguageOffset));
}

QString ProgramTitleWithVersion()
{
    return CatalogueText(2) + QStringLiteral(" V1.25");
}

} // namespace plandor
