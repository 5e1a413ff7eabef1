#pragma once

#include <QString>

namespace batch {

// The first entry of a "/g=" group list and what follows it.
struct GroupToken {
    QString token;  // the text before the first comma (the whole list without one)
    QString rest;   // the text after that comma, at most 255 characters; empty without one
    int member;     // 0..3, or -1 when the token names no lift controller of the group
};

// A token names member p - 1 when it occurs at position p of "0123"; so "12" names member 1.
GroupToken splitGroupList(const QString &list);

}  // namespace batch
