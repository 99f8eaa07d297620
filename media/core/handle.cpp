// Handle chains: intrusive doubly linked lists of (handle, data) between a head
// and a tail node. The handle tables themselves are the template in handle.hpp.
#include "media/core/handle.hpp"

int InitHandleChain(HANDLENODE* head, HANDLENODE* tail)
{
    *head = HANDLENODE{-1, nullptr, nullptr, tail};
    *tail = HANDLENODE{-1, nullptr, head, nullptr};
    return 0;
}

int InsertHandleChain(HANDLENODE* head, HANDLENODE* node, int handle, void* data)
{
    node->handle = handle;
    node->data = data;
    node->previous = head;
    node->next = head->next;
    head->next->previous = node;
    head->next = node;
    return 0;
}

int RemoveHandleChain(HANDLENODE* node)
{
    // the end nodes, and a zero-filled node never linked, have a null link
    if (node->previous == nullptr || node->next == nullptr) return -1;
    node->previous->next = node->next;
    node->next->previous = node->previous;
    return 0;
}
