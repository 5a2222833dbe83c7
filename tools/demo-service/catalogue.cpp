#include "catalogue.h"

#include <array>
#include <string>
#include <utility>

namespace quellora::demo {
namespace {

std::string Chapter(int number) {
  std::string text = "第";
  if (number < 10) text += '0';
  return text + std::to_string(number) + "回";
}

std::vector<Track> MakeTracks(int firstId, const std::vector<std::string>& titles) {
  std::vector<Track> tracks;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    tracks.push_back({std::to_string(firstId + static_cast<int>(i)), titles[i]});
  }
  return tracks;
}

std::vector<Album> BuildCatalogue() {
  // 25 chapters: three full pages' worth of anchors (10 + 10 + 5). One title holds "/" and
  // ":" (not allowed in file names everywhere), one holds characters outside GBK.
  const std::array<const char*, 25> romance = {
      "宴桃园豪杰三结义", "张翼德怒鞭督邮",   "吕布/貂蝉: 连环计",
      "曹孟德谋杀董卓",   "千里走单骑 🐎",     "关云长挂印封金",
      "孙策怒斩于吉",     "刘皇叔跃马过檀溪", "玄德三顾草庐",
      "诸葛亮舌战群儒",   "蒋干中计",         "草船借箭",
      "苦肉计",           "庞统献连环计",     "借东风 𠀀",
      "华容道",           "刘备取西川",       "单刀赴会",
      "定军山",           "水淹七军",         "刮骨疗毒",
      "白帝城托孤",       "七擒孟获",         "空城计",
      "秋风五丈原"};
  std::vector<std::string> romanceTitles;
  for (std::size_t i = 0; i < romance.size(); ++i) {
    romanceTitles.push_back(Chapter(static_cast<int>(i) + 1) + " " + romance[i]);
  }

  std::vector<std::string> recordsTitles;
  const std::array<const char*, 12> records = {
      "魏书 武帝纪",   "魏书 文帝纪", "魏书 明帝纪", "蜀书 先主传", "蜀书 后主传", "蜀书 诸葛亮传",
      "吴书 孙破虏传", "吴书 吴主传", "吴书 周瑜传", "魏书 荀彧传", "蜀书 关羽传", "吴书 陆逊传"};
  for (const char* title : records) recordsTitles.push_back(title);

  std::vector<std::string> journeyTitles = {"第01回 石猴出世", "第02回 大闹天宫",
                                            "第03回 三打白骨精", "第04回 火焰山",
                                            "第05回 取得真经"};

  // A long album for benchmarks: 100 tracks, 25 to a page.
  std::vector<std::string> serialTitles;
  for (int i = 1; i <= 100; ++i) {
    serialTitles.push_back("第" + std::to_string(1000 + i).substr(1) + "回 书场连播");
  }
  Album serial{"u4004", "9",  "《百回书场》 连播 合集",       "百回书场", "Story Hall",
               "utf-8", true, MakeTracks(40001, serialTitles)};
  serial.tracksPerPage = 25;

  return {
      Album{"u1001", "7", "《三国演义》 评书 全集", "三国演义", "Old Wang Story Studio", "utf-8",
            true, MakeTracks(10001, romanceTitles)},
      Album{"u2002", "31", "《三国志》 白话 精读", "三国志", "History Club 北京", "gbk", true,
            MakeTracks(20001, recordsTitles)},
      Album{"u3003", "5", "《西游记》 少儿 故事", "西游记", "Bedtime Tales", "utf-8", false,
            MakeTracks(30001, journeyTitles)},
      std::move(serial),
  };
}

std::string Compact(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    // 《 and 》 are E3 80 8A and E3 80 8B in UTF-8.
    if (text.substr(i, 3) == "\xE3\x80\x8A" || text.substr(i, 3) == "\xE3\x80\x8B") {
      i += 2;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string Album::Link() const {
  return "/" + owner + "/album/" + id;
}

const std::vector<Album>& Catalogue() {
  static const std::vector<Album> catalogue = BuildCatalogue();
  return catalogue;
}

std::vector<const Album*> FindAlbums(std::string_view query) {
  std::vector<const Album*> found;
  const std::string compactQuery = Compact(query);
  for (const Album& album : Catalogue()) {
    if (album.name.find(query) != std::string::npos ||
        Compact(album.name).find(compactQuery) != std::string::npos) {
      found.push_back(&album);
    }
  }
  return found;
}

const Album* FindAlbum(std::string_view owner, std::string_view id) {
  for (const Album& album : Catalogue()) {
    if (album.owner == owner && album.id == id) return &album;
  }
  return nullptr;
}

const Album* FindTrack(std::string_view trackId, const Track** track) {
  for (const Album& album : Catalogue()) {
    for (const Track& candidate : album.tracks) {
      if (candidate.id == trackId) {
        *track = &candidate;
        return &album;
      }
    }
  }
  return nullptr;
}

}  // namespace quellora::demo
