// The value list under arbitrary sequences of its operations, against a
// std::vector: the same values in the same order after every step, and a
// sort that orders like std::stable_sort (equal keys keep their order).

#include "FuzzCheck.h"
#include "model/CValueList.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct Item {
    double key;
    uint32_t id;
    bool operator==(const Item& other) const {
        return std::signbit(key) == std::signbit(other.key) && key == other.key && id == other.id;
    }
};

double KeyOf(const Item& item) {
    return item.key;
}

using List = CValueList<Item, &KeyOf>;

// Few distinct keys, so that equal keys are common; -0 and +0 are equal
// keys that can be told apart. No NaN: it has no place in an order.
double Key(uint8_t byte) {
    switch (byte % 20) {
    case 16:
        return -0.0;
    case 17:
        return std::numeric_limits<double>::infinity();
    case 18:
        return -std::numeric_limits<double>::infinity();
    case 19:
        return std::numeric_limits<double>::max();
    default:
        return (byte % 16) * 0.5 - 2;
    }
}

std::vector<Item> Contents(const List& list) {
    std::vector<Item> items;
    for (auto pos = list.GetHeadPosition(); pos;)
        items.push_back(list.GetNext(pos));
    return items;
}

List::POSITION PositionAt(const List& list, size_t index) {
    auto pos = list.GetHeadPosition();
    while (index-- > 0)
        list.GetNext(pos);
    return pos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    List list;
    std::vector<Item> oracle;
    uint32_t nextId = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t operand = data[i + 1];
        switch (data[i] % 6) {
        case 0:
            list.AddTail({Key(operand), nextId});
            oracle.push_back({Key(operand), nextId++});
            break;
        case 1:
            if (!oracle.empty()) {
                const size_t index = operand % oracle.size();
                list.RemoveAt(PositionAt(list, index));
                oracle.erase(oracle.begin() + static_cast<long>(index));
            }
            break;
        case 2:
            if (!oracle.empty()) {
                FUZZ_CHECK(list.RemoveHead() == oracle.front());
                oracle.erase(oracle.begin());
            }
            break;
        case 3:
            list.Sort();
            std::stable_sort(oracle.begin(), oracle.end(),
                             [](const Item& a, const Item& b) { return a.key < b.key; });
            break;
        case 4: {
            const List copy(list);
            list = copy;
            break;
        }
        case 5:
            if (!oracle.empty()) {
                const size_t index = operand % oracle.size();
                list.GetAt(PositionAt(list, index)).key = Key(operand / 7);
                oracle[index].key = Key(operand / 7);
            }
            break;
        }
        FUZZ_CHECK(list.GetCount() == static_cast<int>(oracle.size()));
        FUZZ_CHECK(Contents(list) == oracle);
        FUZZ_CHECK((list.GetTailPosition() == nullptr) == oracle.empty());
    }
    return 0;
}
