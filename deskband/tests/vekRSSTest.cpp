#include "deskband/vekRSS.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "deskband/vekXML.h"
#include "platform/com/ClassTable.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"

namespace {

class VekRSS : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

const std::string kFixtures = std::string(VANDREL_SOURCE_DIR) + "/deskband/tests/rss/";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string DateText(TDateTime date) {
  if (date == 0) return "0";
  uint16_t y, m, d, h, n, s, ms;
  DecodeDateTime(date, y, m, d, h, n, s, ms);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, n, s);
  return buffer;
}

// One line per channel and item, fields separated by \x1f, texts in UTF-8.
std::string Describe(TRSSFeed& feed) {
  auto u = [](const std::string& s) { return cp1250::ToUtf8(s); };
  std::string out = "type " + std::to_string(feed.FeedType()) + "\n";
  for (int i = 0; i < feed.Channels().Count(); ++i) {
    TRSSChannel* c = feed.Channels().Items(i);
    out += "channel\x1f" + u(c->Title()) + "\x1f" + u(c->Link()) + "\x1f" + u(c->Description()) + "\x1f" +
           std::to_string(c->Items().Count()) + "\n";
  }
  for (int i = 0; i < feed.Items().Count(); ++i) {
    TRSSItem* item = feed.Items().Items(i);
    int channel = -1;
    for (int k = 0; k < feed.Channels().Count(); ++k)
      if (feed.Channels().Items(k) == item->Channel()) channel = k;
    out += "item\x1f" + std::to_string(channel) + "\x1f" + u(item->Title()) + "\x1f" + u(item->Link()) + "\x1f" +
           u(item->Description()) + "\x1f" + u(item->Author()) + "\x1f" + u(item->Category()) + "\x1f" +
           u(item->Guid()) + "\x1f" + DateText(item->Date()) + "\x1f" + u(item->GetID()) + "\n";
  }
  return out;
}

// The same reading, done independently with xml.etree and hashlib.
constexpr const char* kOracle = R"(
import hashlib, re, sys, datetime
import xml.etree.ElementTree as ET

def read(path):
    names = {}
    scopes = [{}]
    pending = {}
    for event, item in ET.iterparse(path, events=('start', 'end', 'start-ns')):
        if event == 'start-ns':
            pending[item[1]] = item[0]
        elif event == 'start':
            scope = dict(scopes[-1]); scope.update(pending); pending = {}
            scopes.append(scope)
            tag = item.tag
            if tag.startswith('{'):
                uri, local = tag[1:].split('}')
                prefix = scope.get(uri, '')
                tag = prefix + ':' + local if prefix else local
            names[item] = tag
        else:
            scopes.pop()
            root = item
    return root, names

def main(path):
    root, names = read(path)
    def name(e): return names[e]
    def child(e, n):
        for c in e:
            if name(c).lower() == n.lower(): return c
        return None
    def text(e, n):
        c = child(e, n)
        if c is None: return ''
        if len(c): raise ValueError('mixed')
        t = c.text or ''
        return '' if t.strip(' \t\r\n') == '' else t
    def date(t):
        parts = [(0, 4), (5, 2), (8, 2), (11, 2), (14, 2), (17, 2)]
        vals = []
        for start, length in parts:
            p = t[start:start + length]
            if not re.fullmatch('[0-9]{%d}' % length, p): return '0'
            vals.append(int(p))
        try: return datetime.datetime(*vals).strftime('%Y-%m-%d %H:%M:%S')
        except ValueError: return '0'
    kind = {'rss': 0, 'rdf': 1, 'rdf:rdf': 2}[name(root).lower()]
    out = ['type %d' % kind]
    channels, items = [], []
    for c in root:
        if name(c).lower() == 'channel':
            own = [i for i in c if name(i).lower() == 'item']
            channels.append((c, own))
            items += [(len(channels) - 1, i) for i in own]
        elif name(c).lower() == 'item':
            items.append((-1, c))
    for c, own in channels:
        out.append('\x1f'.join(['channel', text(c, 'title'), text(c, 'link'), text(c, 'description'), str(len(own))]))
    for index, i in items:
        title, link, guid = text(i, 'title'), text(i, 'link'), text(i, 'guid')
        author = text(i, 'author') if child(i, 'author') is not None else text(i, 'dc:creator')
        ident = guid or hashlib.md5((title + '|' + link).encode('cp1250')).hexdigest().upper()
        out.append('\x1f'.join(['item', str(index), title, link, text(i, 'description'), author,
                                text(i, 'category'), guid, date(text(i, 'dc:date')), ident]))
    sys.stdout.write('\n'.join(out) + '\n')

main(sys.stdin.read().strip())
)";

TEST_F(VekRSS, CorpusReadsAsPythonReadsIt) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
    std::string path = entry.path().string();
    std::unique_ptr<TRSSFeed> feed(TRSSFeed::Create(ReadFile(path)));
    EXPECT_EQ(Describe(*feed), testing_support::RunPython(kOracle, path)) << path;
    ++count;
  }
  EXPECT_GE(count, 6);
}

TEST_F(VekRSS, Rss20AndRdfShapes) {
  std::unique_ptr<TRSSFeed> rss(TRSSFeed::Create(ReadFile(kFixtures + "rss20.xml")));
  EXPECT_EQ(rss->FeedType(), 0);
  ASSERT_EQ(rss->Channels().Count(), 1);
  TRSSChannel* channel = rss->Channels().Items(0);
  ASSERT_EQ(channel->Items().Count(), 3);
  ASSERT_EQ(rss->Items().Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rss->Items().Items(i), channel->Items().Items(i));
    EXPECT_EQ(rss->Items().Items(i)->Channel(), channel);
  }
  TRSSItem* first = rss->Items().Items(0);
  EXPECT_EQ(first->Author(), "support@vandrel.example") << "author wins over dc:creator";
  EXPECT_EQ(first->GetID(), "tb-2.1");
  EXPECT_EQ(first->Date(), EncodeDateTime(2005, 3, 7, 14, 30, 15, 0)) << "the zone is ignored";
  EXPECT_EQ(rss->Items().Items(1)->Author(), "Nagy P\xE9ter");
  EXPECT_EQ(rss->Items().Items(2)->Date(), 0.0);
  EXPECT_THROW(rss->Items().Items(3), EListError);

  std::unique_ptr<TRSSFeed> rdf(TRSSFeed::Create(ReadFile(kFixtures + "rdf.xml")));
  EXPECT_EQ(rdf->FeedType(), 2);
  ASSERT_EQ(rdf->Channels().Count(), 1);
  EXPECT_EQ(rdf->Channels().Items(0)->Items().Count(), 0);
  ASSERT_EQ(rdf->Items().Count(), 2);
  EXPECT_EQ(rdf->Items().Items(0)->Channel(), nullptr);
  EXPECT_EQ(rdf->Items().Items(0)->Title(), "\xD5szi akci\xF3");

  std::unique_ptr<TRSSFeed> instructions(TRSSFeed::Create(
      "<?rss?><rss><?channel?><channel><?item?><item><title>A</title></item></channel><?item?></rss>"));
  EXPECT_EQ(instructions->Channels().Count(), 1) << "processing instructions are no elements";
  EXPECT_EQ(instructions->Items().Count(), 1);
}

TEST_F(VekRSS, DatesByFixedPositions) {
  struct Case {
    const char* text;
    TDateTime expected;
  } cases[] = {
      {"2005-03-07T14:30:15+01:00", EncodeDateTime(2005, 3, 7, 14, 30, 15, 0)},
      {"2005-03-07T14:30:15.999Z", EncodeDateTime(2005, 3, 7, 14, 30, 15, 0)},
      {"2005/03/07 14.30.15", EncodeDateTime(2005, 3, 7, 14, 30, 15, 0)},  // separators are not looked at
      {"2004-02-29T23:59:59", EncodeDateTime(2004, 2, 29, 23, 59, 59, 0)},
      {"2005-3-7", 0},
      {"2005-03-07", 0},
      {"2005-03-07T14:30", 0},
      {"", 0},
      {"2005-13-07T14:30:15", 0},
      {"2005-02-29T00:00:00", 0},
      {"2005-03-07T24:00:00", 0},
      {"2005-03-07T14:60:00", 0},
      {" 2005-03-07T14:30:15", 0},
      {"2005-03-07T14:30:1x", 0},
      {"0000-01-01T00:00:00", 0},
      {"$7D5-03-07T14:30:15", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RSSDateFromText(c.text), c.expected) << c.text;
}

TEST_F(VekRSS, IdentityOfAnItemWithoutGuidIsStableAcrossDownloads) {
  const std::string feed = "<rss><channel><item><title>A</title><link>B</link></item></channel></rss>";
  std::unique_ptr<TRSSFeed> one(TRSSFeed::Create(feed)), two(TRSSFeed::Create(feed));
  std::string expected = testing_support::RunPython("import hashlib\nprint(hashlib.md5(b'A|B').hexdigest().upper())\n");
  EXPECT_EQ(one->Items().Items(0)->GetID() + "\n", expected);
  EXPECT_EQ(one->Items().Items(0)->GetID(), two->Items().Items(0)->GetID());
}

TEST_F(VekRSS, FailuresRaiseAndFreeTheHalfBuiltFeed) {
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>t</title></feed>",
       "Not a valid RSS feed"},
      {"<rssfeed/>", "Not a valid RSS feed"},
      {"<rss><channel><item><title>ok</title></item><item><title>a <b>bold</b></title></item></channel></rss>",
       "Element does not contain a single text node"},
      {"<rss><channel><title>x<!--c--></title></channel></rss>", "Element does not contain a single text node"},
      {"<rss><channel><item></channel></rss>", "Opening and ending tag mismatch: item line 1 and channel"},
  };
  for (const Case& c : cases) {
    try {
      std::unique_ptr<TRSSFeed> feed(TRSSFeed::Create(c.text));
      ADD_FAILURE() << "accepted " << c.text;
    } catch (const EDOMParseError& e) {
      EXPECT_EQ(e.Reason(), c.error);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.error);
      EXPECT_TRUE(e.ClassName() == "ERSS" || e.ClassName() == "EXMLDocError") << e.ClassName();
    }
  }
}

TEST_F(VekRSS, RootNamesInAnyCase) {
  struct Case {
    const char* text;
    int type;
  } cases[] = {
      {"<RSS/>", 0},
      {"<Rdf/>", 1},
      {"<RDF:rdf xmlns:RDF=\"urn:x\"/>", 2},
      {"<!--first--><?pi x?><rss/>", 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TRSSFeed> feed(TRSSFeed::Create(c.text));
    EXPECT_EQ(feed->FeedType(), c.type) << c.text;
    EXPECT_EQ(feed->Items().Count(), 0);
  }
}

}  // namespace
