#include "client/media/Mp4ItemLists.h"

#include "client/media/Mp4Boxes.h"

#include <cstdint>
#include <cstring>

namespace {

// A "meta" box is a full box: version and flags come before its children.
constexpr uint64_t kFullBoxBytes = 4;
constexpr int kMaxDepth = 4;
constexpr int kMaxBoxes = 4096;
constexpr int kMaxItems = 4096;

// The boxes walked into on the way to item lists.
bool IsContainer(const Mp4Box& box) {
    return box.IsA("moov") || box.IsA("trak") || box.IsA("udta") || box.IsA("meta");
}

void PutBigEndian(std::string& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string BoxHeader(const char (&type)[5], uint64_t size) {
    std::string header;
    if (size > UINT32_MAX) {
        PutBigEndian(header, 1, 4);
        header.append(type, 4);
        PutBigEndian(header, size, 8);
    } else {
        PutBigEndian(header, size, 4);
        header.append(type, 4);
    }
    return header;
}

class ListWalk {
  public:
    ListWalk(const ByteReader& read, const TagLimits& limits) : m_read(read), m_limits(limits) {}

    void Children(const Mp4Box& parent, int depth) {
        uint64_t position = ChildrenStart(parent);
        Mp4Box box;
        while (position < parent.End() && m_boxesLeft-- > 0 &&
               ReadBoxHeader(m_read, position, parent.End(), box) && box.size >= box.headerBytes &&
               box.size <= parent.End() - position) {
            if (box.IsA("ilst"))
                CutDown(box);
            else if (depth < kMaxDepth && IsContainer(box))
                Children(box, depth + 1);
            position = box.End();
        }
    }

    std::vector<ViewEdit>& Edits() { return m_edits; }

  private:
    // The tag library takes a "meta" box for one without version and flags
    // when one of these child headers starts right at its payload.
    uint64_t ChildrenStart(const Mp4Box& box) const {
        if (!box.IsA("meta"))
            return box.PayloadStart();
        unsigned char type[4];
        const uint64_t typeAt = box.PayloadStart() + 4;
        if (m_read(typeAt, type, sizeof type)) {
            for (const char* child : {"hdlr", "ilst", "mhdr", "ctry", "lang"}) {
                if (memcmp(type, child, sizeof type) == 0)
                    return box.PayloadStart();
            }
        }
        return box.PayloadStart() + kFullBoxBytes;
    }

    void CutDown(const Mp4Box& list) {
        if (list.size <= m_limits.wholeTagBytes ||
            m_limits.wholeTagBytes < Mp4Box::kHeaderBytes + Mp4Box::kLargeHeaderBytes)
            return;
        // The copy leaves room for the free box's header before the list's end.
        const uint64_t room = m_limits.wholeTagBytes - Mp4Box::kHeaderBytes - Mp4Box::kLargeHeaderBytes;
        std::string items;
        uint64_t position = list.PayloadStart();
        Mp4Box item;
        for (int walked = 0;
             walked < kMaxItems && ReadBoxHeader(m_read, position, list.End(), item) && !item.runsToEnd &&
             item.size >= item.headerBytes && item.size <= list.End() - position;
             ++walked) {
            if (item.size - item.headerBytes <= m_limits.itemBytes && item.size <= room - items.size()) {
                const size_t at = items.size();
                items.resize(at + item.size);
                if (!m_read(position, reinterpret_cast<unsigned char*>(&items[at]), item.size)) {
                    items.resize(at);
                    break;
                }
            }
            position = item.End();
        }
        const uint64_t kept = Mp4Box::kHeaderBytes + items.size();
        std::string bytes = BoxHeader("ilst", kept) + items + BoxHeader("free", list.size - kept);
        const uint64_t length = bytes.size();
        m_edits.push_back({list.offset, length, std::move(bytes)});
    }

    const ByteReader& m_read;
    const TagLimits& m_limits;
    int m_boxesLeft = kMaxBoxes;
    std::vector<ViewEdit> m_edits;
};

} // namespace

std::vector<ViewEdit> TrimMp4ItemLists(const ByteReader& read, uint64_t fileSize, const TagLimits& limits) {
    ListWalk walk(read, limits);
    Mp4Box movie;
    if (FindTopLevelBox(read, fileSize, "moov", movie))
        walk.Children(movie, 1);
    return std::move(walk.Edits());
}

std::unique_ptr<FileView> Mp4FileView(int fd) {
    auto view = std::make_unique<FileView>(fd);
    for (ViewEdit& edit : TrimMp4ItemLists(view->FileReader(), view->Size(), kTagLimits)) {
        // The walk's lists never overlap; an edit refused is left out.
        (void)view->Apply(std::move(edit));
    }
    return view;
}
