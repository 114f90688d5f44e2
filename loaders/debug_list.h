#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vx::loaders {

// A doubly linked list of debug records in ascending order while files are
// loaded, and a balanced search tree over the same links afterwards: the
// previous link is then the left subtree, the next link the right one.
template <class Node>
struct DebugList {
  Node* head = nullptr;
  Node* tail = nullptr;
  // The record inserted last: writers mostly deliver in ascending order.
  Node* cursor = nullptr;
  Node* root = nullptr;

  bool empty() const { return head == nullptr && root == nullptr; }

  void insert_after(Node* at, Node* node) {
    node->previous = at;
    node->next = at->next;
    if (at->next != nullptr) {
      at->next->previous = node;
    } else {
      tail = node;
    }
    at->next = node;
  }

  void insert_before(Node* at, Node* node) {
    node->next = at;
    node->previous = at->previous;
    if (at->previous != nullptr) {
      at->previous->next = node;
    } else {
      head = node;
    }
    at->previous = node;
  }

  void push_front(Node* node) {
    node->previous = nullptr;
    node->next = head;
    if (head != nullptr) {
      head->previous = node;
    } else {
      tail = node;
    }
    head = node;
  }

  void push_back(Node* node) {
    node->next = nullptr;
    node->previous = tail;
    if (tail != nullptr) {
      tail->next = node;
    } else {
      head = node;
    }
    tail = node;
  }

  // Inserts from the cursor (a tree is turned back into a list first, so a
  // late writer cannot lose records): from above, the new record goes after records
  // it equals; from below or from an equal cursor, before the first equal one.
  template <class Less>
  void insert_from_cursor(Node* node, Less less) {
    flatten_tree();
    if (head == nullptr) {
      node->previous = node->next = nullptr;
      head = tail = cursor = node;
      return;
    }
    Node* at = cursor;
    if (less(*node, *at)) {
      while (at != nullptr && less(*node, *at)) at = at->previous;
      if (at == nullptr) {
        push_front(node);
      } else {
        insert_after(at, node);
      }
    } else {
      while (at != nullptr && less(*at, *node)) at = at->next;
      if (at == nullptr) {
        push_back(node);
      } else {
        insert_before(at, node);
      }
    }
    cursor = node;
  }

  // Tree -> ascending list, by an in-order walk.
  void flatten_tree() {
    if (root == nullptr) return;
    std::vector<Node*> pending;
    Node* node = root;
    head = tail = nullptr;
    cursor = root;
    while (node != nullptr || !pending.empty()) {
      while (node != nullptr) {
        pending.push_back(node);
        node = node->previous;
      }
      node = pending.back();
      pending.pop_back();
      Node* right = node->next;
      push_back(node);
      node = right;
    }
    root = nullptr;
  }

  // Ascending list -> balanced tree of depth at most log2(n) + 1.
  void build_tree() {
    if (head == nullptr) return;
    struct Level {
      Node* node;
      std::uint32_t height;
    };
    std::vector<Level> stack;
    bool take_new_level = true;
    while (head != nullptr) {
      Node* node = head;
      head = node->next;
      if (take_new_level) {
        node->previous = node->next = nullptr;
        stack.push_back({node, 0});
        take_new_level = false;
        while (stack.size() > 1 && stack[stack.size() - 2].height == stack.back().height + 1) {
          stack[stack.size() - 2].node->next = stack.back().node;
          stack.pop_back();
        }
      } else {
        node->previous = stack.back().node;
        node->next = nullptr;
        stack.back() = {node, stack.back().height + 1};
        take_new_level = true;
      }
    }
    while (stack.size() > 1) {
      stack[stack.size() - 2].node->next = stack.back().node;
      stack.pop_back();
    }
    root = stack.front().node;
    head = tail = cursor = nullptr;
  }

  // Flattens a tree and hands every list member to `release`.
  template <class Release>
  void release_all(Release release) {
    flatten_tree();
    Node* node = head;
    while (node != nullptr) {
      Node* next = node->next;
      release(node);
      node = next;
    }
    head = tail = cursor = nullptr;
  }
};

}  // namespace vx::loaders
