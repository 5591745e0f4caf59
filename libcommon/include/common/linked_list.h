// SPDX-License-Identifier: BSD-2-Clause
// A circular doubly linked list with a sentinel node. Copies of a list share
// its nodes and a reference count; the nodes go when the last copy goes. The
// list never owns the data its nodes point at: the classes that keep owned
// pointers in it delete them.
#pragma once

#include <cstddef>

template <class T>
class CLinkedListElement {
public:
    T* GetData() const { return m_pData; }
    CLinkedListElement* GetNext() const { return m_pNext; }
    CLinkedListElement* GetPrev() const { return m_pPrev; }
    bool IsSentinel() const { return m_pData == nullptr; }

    T* m_pData = nullptr; // null only in the sentinel
    CLinkedListElement* m_pNext = this;
    CLinkedListElement* m_pPrev = this;
};

template <class T>
class CLinkedList {
public:
    using Node = CLinkedListElement<T>;

    CLinkedList() : m_pShared(new Shared) {}
    CLinkedList(const CLinkedList& other) : m_pShared(other.m_pShared) { ++m_pShared->refs; }
    CLinkedList& operator=(const CLinkedList& other)
    {
        if (m_pShared != other.m_pShared) {
            Release();
            m_pShared = other.m_pShared;
            ++m_pShared->refs;
        }
        return *this;
    }
    ~CLinkedList() { Release(); }

    // Iteration runs from GetFirst() while the node's data is not null.
    Node* GetSentinel() const { return &m_pShared->sentinel; }
    Node* GetFirst() const { return m_pShared->sentinel.m_pNext; }
    Node* GetLast() const { return m_pShared->sentinel.m_pPrev; }
    std::size_t GetCount() const { return m_pShared->count; }
    bool IsEmpty() const { return m_pShared->count == 0; }
    // How many list objects share these nodes.
    std::size_t GetRefCount() const { return m_pShared->refs; }

    // A null pointer is not stored (it would end every walk early).
    Node* AddTail(T* data) { return data ? InsertBefore(&m_pShared->sentinel, data) : nullptr; }
    Node* AddHead(T* data) { return data ? InsertBefore(m_pShared->sentinel.m_pNext, data) : nullptr; }

    // Unlinks and frees the node and returns its data; the sentinel or a null
    // node gives null.
    T* Remove(Node* node)
    {
        if (!node || node == &m_pShared->sentinel)
            return nullptr;
        node->m_pPrev->m_pNext = node->m_pNext;
        node->m_pNext->m_pPrev = node->m_pPrev;
        T* data = node->m_pData;
        delete node;
        --m_pShared->count;
        return data;
    }
    void RemoveAll()
    {
        while (!IsEmpty())
            Remove(GetFirst());
    }
    Node* Find(const T* data) const
    {
        for (Node* n = GetFirst(); n->m_pData; n = n->m_pNext) {
            if (n->m_pData == data)
                return n;
        }
        return nullptr;
    }

    class iterator {
    public:
        explicit iterator(Node* n) : m_node(n) {}
        T* operator*() const { return m_node->m_pData; }
        iterator& operator++()
        {
            m_node = m_node->m_pNext;
            return *this;
        }
        bool operator!=(const iterator& o) const { return m_node != o.m_node; }
        bool operator==(const iterator& o) const { return m_node == o.m_node; }

    private:
        Node* m_node;
    };
    iterator begin() const { return iterator(GetFirst()); }
    iterator end() const { return iterator(GetSentinel()); }

private:
    struct Shared {
        Node sentinel;
        std::size_t count = 0;
        std::size_t refs = 1;
    };

    Node* InsertBefore(Node* next, T* data)
    {
        Node* node = new Node;
        node->m_pData = data;
        node->m_pNext = next;
        node->m_pPrev = next->m_pPrev;
        next->m_pPrev->m_pNext = node;
        next->m_pPrev = node;
        ++m_pShared->count;
        return node;
    }
    // Not inlined: g++ 12 cannot see that a shared count stays above zero
    // and warns of a use after free at every copy's destructor.
    [[gnu::noinline]] void Release()
    {
        if (--m_pShared->refs == 0) {
            RemoveAll();
            delete m_pShared;
        }
        m_pShared = nullptr;
    }

    Shared* m_pShared;
};
