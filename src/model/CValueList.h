#pragma once

#include <cassert>
#include <utility>

// An ordered, doubly linked list of values addressed by positions, the shape
// shared by the size list and the calibration curve. A position designates
// one place in the sequence and stays valid while other elements are
// appended or removed; only removing its own element or emptying the list
// invalidates it. Sort exchanges values between places and never relinks,
// so after a sort a position keeps its place but may show another value.
//
// KeyOf(const E&) gives the double that Sort orders by.
template <typename E, double (*KeyOf)(const E&)> class CValueList {
    struct Node {
        Node* prev;
        Node* next;
        E value;
    };

public:
    // Opaque handle to one element; nullptr is the null position.
    using POSITION = Node*;

    CValueList() = default;
    CValueList(const CValueList& other) { Copy(other); }
    CValueList& operator=(const CValueList& other) {
        if (this != &other)
            Copy(other);
        return *this;
    }
    virtual ~CValueList() { RemoveAll(); }

    POSITION AddTail(const E& value) {
        Node* node = new Node{m_tail, nullptr, value};
        (m_tail ? m_tail->next : m_head) = node;
        m_tail = node;
        ++m_count;
        return node;
    }

    void RemoveAt(POSITION pos) {
        assert(pos != nullptr);
        (pos->prev ? pos->prev->next : m_head) = pos->next;
        (pos->next ? pos->next->prev : m_tail) = pos->prev;
        delete pos;
        --m_count;
    }

    // The list must not be empty.
    E RemoveHead() {
        assert(m_head != nullptr);
        E value = m_head->value;
        RemoveAt(m_head);
        return value;
    }

    void RemoveAll() {
        while (m_head) {
            Node* next = m_head->next;
            delete m_head;
            m_head = next;
        }
        m_tail = nullptr;
        m_count = 0;
    }

    int GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    POSITION GetHeadPosition() const { return m_head; }
    POSITION GetTailPosition() const { return m_tail; }

    // Returns the element at pos and advances pos to the next element.
    E& GetNext(POSITION& pos) {
        Node* node = pos;
        pos = node->next;
        return node->value;
    }
    const E& GetNext(POSITION& pos) const {
        Node* node = pos;
        pos = node->next;
        return node->value;
    }

    E& GetAt(POSITION pos) { return pos->value; }
    const E& GetAt(POSITION pos) const { return pos->value; }

    void Copy(const CValueList& other) {
        if (this == &other)
            return;
        RemoveAll();
        for (Node* n = other.m_head; n; n = n->next)
            AddTail(n->value);
    }

    // Ascending bubble sort by key: whole passes until one exchanges
    // nothing. Only strictly smaller keys move forward, so equal keys keep
    // their order (stable). Values move; nodes stay where they are.
    void Sort() {
        if (m_count < 2)
            return;
        bool exchanged = true;
        while (exchanged) {
            exchanged = false;
            for (Node* p = m_head; p->next; p = p->next) {
                if (KeyOf(p->next->value) < KeyOf(p->value)) {
                    std::swap(p->value, p->next->value);
                    exchanged = true;
                }
            }
        }
    }

private:
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
};
