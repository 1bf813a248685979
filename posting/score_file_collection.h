// Collections of score files: CColScoreFile (the Upload History and the
// index entries: records in order with an index from SHA-256 digest to
// position) and CSFPtrArray (an owning array of record pointers, for the
// posting run and the dialogs).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "posting/score_file.h"

class CArchive;

class CColScoreFile {
public:
    CColScoreFile();
    virtual ~CColScoreFile();
    CColScoreFile(const CColScoreFile& other);
    // Copies every record (the record copy: no content); the digest index
    // is rebuilt at the next lookup.
    CColScoreFile& operator=(const CColScoreFile& other);

    int64_t GetCount() const { return static_cast<int64_t>(m_records.size()); }
    int64_t GetSize() const { return GetCount(); }
    bool IsEmpty() const { return m_records.empty(); }

    // Appends a copy; returns its index.
    int64_t Add(const CScoreFile& record);
    // Replaces the record with the same destination (web name without
    // regard to case, and insert number), else appends. Returns 1. The
    // destination is found through an index of destinations, so the cost
    // does not grow with the collection. The index follows every change made
    // through this class; a record whose web name or insert number is changed
    // in place (through ElementAt or a Lookup pointer) is found under its new
    // destination only after the next change that rebuilds the index, so
    // callers that edit destinations edit a copy and assign it back.
    int AddOrReplace(const CScoreFile& record);
    // The record whose digest equals record's (the latest of several), or null.
    CScoreFile* Lookup(const CScoreFile& record);
    CScoreFile* Lookup(const CHash256& digest);
    void RebuildIndex();
    // Throws CInvalidArgException for an index outside 0..count-1.
    CScoreFile& ElementAt(int64_t index);
    const CScoreFile& ElementAt(int64_t index) const;
    CScoreFile& operator[](int64_t index) { return ElementAt(index); }
    const CScoreFile& operator[](int64_t index) const { return ElementAt(index); }
    void RemoveAt(int64_t index);
    // Removes the record at that address; throws CInvalidArgException for a
    // record that is not one of this collection's.
    void Remove(const CScoreFile* record);
    void RemoveAll();
    void SetSize(int64_t count);

    // A count, then each record. Loading reads only what the stream holds:
    // the records are read one by one, so a damaged count cannot make a
    // large allocation; a short or damaged stream throws CArchiveException.
    virtual void Serialize(CArchive& ar);

    // Counts the changes made through this class (adds, replacements,
    // removals, assignments, loads), so that an owner can tell whether the
    // collection is still as it last stored it. Changes made in place
    // through ElementAt or a Lookup pointer are not counted.
    uint64_t GetGeneration() const { return m_generation; }

    // The digest table's bucket count (0 before the first rebuild).
    uint32_t GetIndexTableSize() const { return static_cast<uint32_t>(m_buckets.size()); }

private:
    enum : uint32_t { kIndexValid = 1 };
    struct Node {
        CHash256 key;
        uint32_t value;
        int32_t next;
    };

    // Digest table (chained buckets; nodes recycled through a free list).
    int32_t* FindSlot(const CHash256& key);
    void MapDigest(const CHash256& key, uint32_t index);
    void UnmapDigest(const CHash256& key);
    bool FindDigest(const CHash256& key, uint32_t& index);
    void ClearIndex();
    void InitTable(uint32_t size);

    // Destination index: web name in lower case and insert number to the
    // first record with that destination. Rebuilt when not valid.
    static std::string DestinationKey(const CScoreFile& record);
    void RebuildDestinations();
    uint32_t* FindDestination(const std::string& key);
    std::unordered_map<std::string, uint32_t> m_destinations;
    bool m_destinationsValid = false;
    uint64_t m_generation = 0;

    std::vector<std::unique_ptr<CScoreFile>> m_records;
    std::vector<int32_t> m_buckets;
    std::vector<Node> m_nodes;
    int32_t m_freeNode = -1;
    uint32_t m_dwFlags = 0;
};

// An owning array of score-file pointers: it deletes every record it holds
// (null entries are passed over).
class CSFPtrArray {
public:
    CSFPtrArray() = default;
    ~CSFPtrArray() { RemoveAll(); }
    CSFPtrArray(const CSFPtrArray&) = delete;
    CSFPtrArray& operator=(const CSFPtrArray&) = delete;

    int64_t GetSize() const { return static_cast<int64_t>(m_items.size()); }
    int64_t GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    // Takes ownership; returns the index.
    int64_t Add(CScoreFile* record);
    int64_t Add(std::unique_ptr<CScoreFile> record) { return Add(record.release()); }
    CScoreFile* GetAt(int64_t index) const { return m_items.at(static_cast<size_t>(index)); }
    CScoreFile* operator[](int64_t index) const { return GetAt(index); }
    // Deletes the record and removes its place.
    void RemoveAt(int64_t index);
    // Gives the record back to the caller and removes its place.
    std::unique_ptr<CScoreFile> Detach(int64_t index);
    void RemoveAll();

    CScoreFile** begin() { return m_items.data(); }
    CScoreFile** end() { return m_items.data() + m_items.size(); }
    CScoreFile* const* begin() const { return m_items.data(); }
    CScoreFile* const* end() const { return m_items.data() + m_items.size(); }

private:
    std::vector<CScoreFile*> m_items;
};
