#pragma once
// Where the controls of a generated skin sit inside their top-level window, read from its Skins.xml,
// so that tests that click from outside aim at the skin's own rectangles. Only placements by absolute
// offsets are summed: a control placed relative to its parent is not one to aim at.
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {

class SkinLayout {
public:
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        int CentreX() const { return x + width / 2; }
        int CentreY() const { return y + height / 2; }
    };

    explicit SkinLayout(const std::string& skinsXml)
    {
        std::ifstream in(skinsXml, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (text.empty())
            throw std::runtime_error("cannot read " + skinsXml);
        std::vector<Node*> open;
        for (std::size_t at = 0; (at = text.find("SubControl", at)) != std::string::npos; at += 10) {
            if (at > 0 && text[at - 1] == '/') { // a closing tag
                if (!open.empty())
                    open.pop_back();
                continue;
            }
            if (at == 0 || text[at - 1] != '<')
                continue;
            const std::string tag = text.substr(at, text.find('>', at) - at);
            auto node = std::make_unique<Node>();
            node->name = Attribute(tag, "Name");
            // A top-level control is a window of its own: its place on the screen is not counted.
            const bool topLevel = open.empty();
            node->rect = {topLevel ? 0 : Number(tag, "XPositionAbs"), topLevel ? 0 : Number(tag, "YPositionAbs"),
                          Number(tag, "XSizeAbs"), Number(tag, "YSizeAbs")};
            if (!topLevel) {
                node->rect.x += open.back()->rect.x;
                node->rect.y += open.back()->rect.y;
            }
            Node* made = node.get();
            (topLevel ? m_roots : open.back()->children).push_back(std::move(node));
            if (tag.empty() || tag.back() != '/')
                open.push_back(made);
        }
    }

    // The control reached by the names in turn, each the first of that name below the one before (the
    // first a top-level control): {"viewDevice", "faders", "fader1"}.
    Rect Find(std::initializer_list<std::string> path) const
    {
        const std::vector<std::unique_ptr<Node>>* level = &m_roots;
        const Node* found = nullptr;
        for (const std::string& name : path) {
            found = nullptr;
            for (const auto& node : *level)
                if ((found = Below(*node, name)) != nullptr)
                    break;
            if (!found)
                throw std::runtime_error("no control " + name + " in the skin");
            level = &found->children;
        }
        return found ? found->rect : Rect{};
    }

private:
    struct Node {
        std::string name;
        Rect rect;
        std::vector<std::unique_ptr<Node>> children;
    };

    // node itself or its first descendant of that name, depth first.
    static const Node* Below(const Node& node, const std::string& name)
    {
        if (node.name == name)
            return &node;
        for (const auto& child : node.children)
            if (const Node* found = Below(*child, name))
                return found;
        return nullptr;
    }

    static std::string Attribute(const std::string& tag, const std::string& name)
    {
        const std::size_t at = tag.find(" " + name + "=\"");
        if (at == std::string::npos)
            return {};
        const std::size_t start = at + name.size() + 3;
        return tag.substr(start, tag.find('"', start) - start);
    }
    static int Number(const std::string& tag, const std::string& name)
    {
        const std::string value = Attribute(tag, name);
        return value.empty() ? 0 : int(std::stod(value));
    }

    std::vector<std::unique_ptr<Node>> m_roots;
};

} // namespace KX::Test
