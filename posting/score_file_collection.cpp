#include "posting/score_file_collection.h"

#include <algorithm>

#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "platform/archive.h"
#include "platform/exceptions.h"

namespace {

// The fewest bytes one stored record can take: every string empty (one
// length byte), the numbers and the 32 digest bytes; the flags word and the
// hand-record path only when the stream's records carry them.
size_t MinRecordBytes(int recordVersion)
{
    const size_t base = 1 + 8 + 8 + 1 + 4 + 8 + 32 + SFD_COUNT * 1;
    return recordVersion != 0 ? base + 4 + 1 : base;
}

constexpr uint32_t kMinTableSize = 17;

}  // namespace

CColScoreFile::CColScoreFile() = default;

CColScoreFile::~CColScoreFile()
{
    ClearIndex();
    m_records.clear();
}

CColScoreFile::CColScoreFile(const CColScoreFile& other)
{
    *this = other;
}

CColScoreFile& CColScoreFile::operator=(const CColScoreFile& other)
{
    if (this == &other)
        return *this;
    SetSize(other.GetCount());
    ++m_generation;
    for (size_t i = 0; i < m_records.size(); ++i)
        m_records[i]->Copy(*other.m_records[i]);
    m_dwFlags &= ~kIndexValid;
    m_destinationsValid = false;
    return *this;
}

// ---- digest table -------------------------------------------------------------

void CColScoreFile::InitTable(uint32_t size)
{
    m_buckets.assign(size, -1);
    m_nodes.clear();
    m_freeNode = -1;
}

void CColScoreFile::ClearIndex()
{
    std::fill(m_buckets.begin(), m_buckets.end(), -1);
    m_nodes.clear();
    m_freeNode = -1;
}

int32_t* CColScoreFile::FindSlot(const CHash256& key)
{
    if (m_buckets.empty())
        return nullptr;
    int32_t* slot = &m_buckets[key.HashValue() % m_buckets.size()];
    while (*slot >= 0 && !(m_nodes[static_cast<size_t>(*slot)].key == key))
        slot = &m_nodes[static_cast<size_t>(*slot)].next;
    return slot;
}

void CColScoreFile::MapDigest(const CHash256& key, uint32_t index)
{
    if (m_buckets.empty())
        InitTable(kMinTableSize);
    if (int32_t* slot = FindSlot(key); *slot >= 0) {
        m_nodes[static_cast<size_t>(*slot)].value = index;
        return;
    }
    // A new node goes to the head of its bucket (the bucket table never
    // moves, while the node array may when it grows).
    int32_t& head = m_buckets[key.HashValue() % m_buckets.size()];
    int32_t node;
    if (m_freeNode >= 0) {
        node = m_freeNode;
        m_freeNode = m_nodes[static_cast<size_t>(node)].next;
        m_nodes[static_cast<size_t>(node)] = Node{key, index, head};
    } else {
        node = static_cast<int32_t>(m_nodes.size());
        m_nodes.push_back(Node{key, index, head});
    }
    head = node;
}

void CColScoreFile::UnmapDigest(const CHash256& key)
{
    int32_t* slot = FindSlot(key);
    if (!slot || *slot < 0)
        return;
    const int32_t node = *slot;
    *slot = m_nodes[static_cast<size_t>(node)].next;
    m_nodes[static_cast<size_t>(node)].next = m_freeNode;
    m_freeNode = node;
}

bool CColScoreFile::FindDigest(const CHash256& key, uint32_t& index)
{
    int32_t* slot = FindSlot(key);
    if (!slot || *slot < 0)
        return false;
    index = m_nodes[static_cast<size_t>(*slot)].value;
    return true;
}

void CColScoreFile::RebuildIndex()
{
    const uint64_t n = m_records.size();
    if ((m_dwFlags & kIndexValid) && m_buckets.size() >= n + n / 16)
        return;
    const uint64_t want = n + n / 4;
    uint32_t size = want >= 0xFFFFFFF0u ? 0xFFFFFFFBu : NextPrime(static_cast<unsigned>(want));
    if (size < kMinTableSize)
        size = kMinTableSize;
    InitTable(size);
    m_nodes.reserve(static_cast<size_t>(n));
    for (size_t i = 0; i < m_records.size(); ++i)
        MapDigest(m_records[i]->GetDigest(), static_cast<uint32_t>(i));
    m_dwFlags |= kIndexValid;
}

// ---- records ------------------------------------------------------------------

int64_t CColScoreFile::Add(const CScoreFile& record)
{
    ++m_generation;
    auto copy = std::make_unique<CScoreFile>(record);
    const uint32_t index = static_cast<uint32_t>(m_records.size());
    m_records.push_back(std::move(copy));
    if (m_destinationsValid)
        m_destinations.emplace(DestinationKey(*m_records.back()), index);
    if (m_dwFlags & kIndexValid)
        MapDigest(m_records.back()->GetDigest(), index);
    return index;
}

std::string CColScoreFile::DestinationKey(const CScoreFile& record)
{
    std::string webName;
    int32_t insert = 0;
    record.GetWebName(webName, &insert);
    std::string key = ToLowerAscii(webName);
    key += '\0';
    key.append(reinterpret_cast<const char*>(&insert), sizeof insert);
    return key;
}

void CColScoreFile::RebuildDestinations()
{
    m_destinations.clear();
    m_destinations.reserve(m_records.size());
    for (size_t i = 0; i < m_records.size(); ++i)
        m_destinations.emplace(DestinationKey(*m_records[i]), static_cast<uint32_t>(i));  // the first one stays
    m_destinationsValid = true;
}

uint32_t* CColScoreFile::FindDestination(const std::string& key)
{
    if (!m_destinationsValid)
        RebuildDestinations();
    auto it = m_destinations.find(key);
    return it == m_destinations.end() ? nullptr : &it->second;
}

int CColScoreFile::AddOrReplace(const CScoreFile& record)
{
    ++m_generation;
    const std::string key = DestinationKey(record);
    uint32_t* found = FindDestination(key);
    if (found && (*found >= m_records.size() || DestinationKey(*m_records[*found]) != key)) {
        // Changed in place since the index was made: make it again.
        RebuildDestinations();
        found = FindDestination(key);
    }
    if (found) {
        const size_t i = *found;
        CScoreFile& old = *m_records[i];
        const CHash256 oldDigest = old.GetDigest();
        old.Copy(record);
        // The old digest's entry goes only when it names this record; when
        // another record holds the same digest, the entry moves to the
        // latest of them instead of vanishing.
        uint32_t mapped = 0;
        if (!(oldDigest == record.GetDigest()) && FindDigest(oldDigest, mapped) && mapped == i) {
            UnmapDigest(oldDigest);
            for (size_t j = m_records.size(); j-- > 0;) {
                if (j != i && m_records[j]->GetDigest() == oldDigest) {
                    MapDigest(oldDigest, static_cast<uint32_t>(j));
                    break;
                }
            }
        }
        MapDigest(record.GetDigest(), static_cast<uint32_t>(i));
        return 1;
    }
    m_records.push_back(std::make_unique<CScoreFile>(record));
    const uint32_t index = static_cast<uint32_t>(m_records.size() - 1);
    m_destinations.emplace(key, index);
    MapDigest(record.GetDigest(), index);
    return 1;
}

CScoreFile* CColScoreFile::Lookup(const CHash256& digest)
{
    RebuildIndex();
    uint32_t index = 0;
    if (!FindDigest(digest, index) || index >= m_records.size())
        return nullptr;
    return m_records[index].get();
}

CScoreFile* CColScoreFile::Lookup(const CScoreFile& record)
{
    return Lookup(record.GetDigest());
}

CScoreFile& CColScoreFile::ElementAt(int64_t index)
{
    if (index < 0 || index >= GetCount())
        throw CInvalidArgException("score file index out of range");
    return *m_records[static_cast<size_t>(index)];
}

const CScoreFile& CColScoreFile::ElementAt(int64_t index) const
{
    if (index < 0 || index >= GetCount())
        throw CInvalidArgException("score file index out of range");
    return *m_records[static_cast<size_t>(index)];
}

void CColScoreFile::RemoveAt(int64_t index)
{
    if (index < 0 || index >= GetCount())
        throw CInvalidArgException("score file index out of range");
    ++m_generation;
    m_records.erase(m_records.begin() + index);
    m_dwFlags &= ~kIndexValid;
    m_destinationsValid = false;
}

void CColScoreFile::Remove(const CScoreFile* record)
{
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].get() == record) {
            RemoveAt(static_cast<int64_t>(i));
            return;
        }
    }
    throw CInvalidArgException("the score file is not in this collection");
}

void CColScoreFile::RemoveAll()
{
    ++m_generation;
    m_records.clear();
    m_records.shrink_to_fit();
    ClearIndex();
    m_destinations.clear();
    m_destinationsValid = true;
}

void CColScoreFile::SetSize(int64_t count)
{
    if (count < 0)
        throw CInvalidArgException("negative collection size");
    ++m_generation;
    const size_t n = static_cast<size_t>(count);
    if (n < m_records.size()) {
        m_records.resize(n);
    } else {
        m_records.reserve(n);
        while (m_records.size() < n)
            m_records.push_back(std::make_unique<CScoreFile>());
    }
    m_dwFlags &= ~kIndexValid;
    m_destinationsValid = false;
}

void CColScoreFile::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteCount(m_records.size());
        for (const auto& record : m_records)
            record->Serialize(ar);
        return;
    }
    const uint64_t count = ar.ReadCount(MinRecordBytes(ar.GetRecordVersion()));
    ++m_generation;
    m_dwFlags &= ~kIndexValid;
    m_destinationsValid = false;
    // Records already present are loaded over; new ones are made only as
    // the stream really holds them.
    for (uint64_t i = 0; i < count; ++i) {
        if (i < m_records.size()) {
            m_records[static_cast<size_t>(i)]->Serialize(ar);
        } else {
            auto record = std::make_unique<CScoreFile>();
            record->Serialize(ar);
            m_records.push_back(std::move(record));
        }
    }
    if (count < m_records.size())
        m_records.resize(static_cast<size_t>(count));
}

// ---- CSFPtrArray ------------------------------------------------------------------

int64_t CSFPtrArray::Add(CScoreFile* record)
{
    m_items.push_back(record);
    return static_cast<int64_t>(m_items.size()) - 1;
}

void CSFPtrArray::RemoveAt(int64_t index)
{
    if (index < 0 || index >= GetSize())
        throw CInvalidArgException("score file index out of range");
    delete m_items[static_cast<size_t>(index)];
    m_items.erase(m_items.begin() + index);
}

std::unique_ptr<CScoreFile> CSFPtrArray::Detach(int64_t index)
{
    if (index < 0 || index >= GetSize())
        throw CInvalidArgException("score file index out of range");
    std::unique_ptr<CScoreFile> record(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    return record;
}

void CSFPtrArray::RemoveAll()
{
    for (CScoreFile* record : m_items)
        delete record;
    m_items.clear();
}
