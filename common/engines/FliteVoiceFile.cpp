#include "FliteVoiceFile.h"

#include <QFile>
#include <QHash>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

constexpr char Header[] = "CMU_FLITE_CG_VOXDATA-v2.0";
constexpr unsigned char LeafOperation = 255;
constexpr unsigned char LastOperation = 5; // is, in, less, greater, matches, equals
constexpr short StringValue = 5;
constexpr short FloatValue = 3;
// Generous ceilings for counts, far above any real voice: a count past them is damage.
constexpr int MaximumCount = 50'000'000;
constexpr int MaximumModels = 64;
constexpr int MaximumFeatures = 10'000;

struct Damaged : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The file in the order the loader reads it, in the byte order it was written in.
class Walker
{
public:
    explicit Walker(const QByteArray &data) : m_data(data) {}

    void expect(bool condition, const char *what) const
    {
        if (!condition)
            throw Damaged(what);
    }

    void readHeader()
    {
        const int length = int(sizeof(Header)); // with the terminating zero
        expect(m_data.size() >= length && std::memcmp(m_data.constData(), Header, length) == 0,
               "it is not a flite voice file");
        m_position = length;
        const quint32 order = quint32(readRaw32());
        if (order == 1)
            m_swapped = false;
        else if (order == 0x01000000u)
            m_swapped = true;
        else
            throw Damaged("its byte order mark is damaged");
    }

    int readInt() { return int(readRaw32()); }

    float readFloat()
    {
        const quint32 bits = readRaw32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    int readCount(const char *what)
    {
        const int count = readInt();
        expect(count >= 0 && count <= MaximumCount, what);
        return count;
    }

    // A block of bytes behind its length; the loader reads strings, arrays and rows so.
    QByteArray readPadded()
    {
        const int length = readInt();
        expect(length >= 0 && length <= remaining(), "a block runs past the end of the file");
        const QByteArray block = m_data.mid(m_position, length);
        m_position += length;
        return block;
    }

    QByteArray readString()
    {
        QByteArray block = readPadded();
        // The loader compares and copies these as C strings.
        expect(!block.isEmpty() && block.endsWith('\0'), "a text in it is not terminated");
        block.chop(1);
        return block;
    }

    unsigned char readByte()
    {
        expect(remaining() >= 1, "it ends early");
        return static_cast<unsigned char>(m_data.at(m_position++));
    }

    quint16 readShort()
    {
        expect(remaining() >= 2, "it ends early");
        quint16 value;
        std::memcpy(&value, m_data.constData() + m_position, 2);
        m_position += 2;
        return m_swapped ? quint16((value >> 8) | (value << 8)) : value;
    }

private:
    quint32 readRaw32()
    {
        expect(remaining() >= 4, "it ends early");
        quint32 value;
        std::memcpy(&value, m_data.constData() + m_position, 4);
        m_position += 4;
        if (m_swapped)
            value = (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) |
                    (value << 24);
        return value;
    }
    int remaining() const { return int(m_data.size()) - m_position; }

    const QByteArray &m_data;
    int m_position = 0;
    bool m_swapped = false;
};

struct Tree
{
    // Values of the leaves that hold a number; cg uses them as frame indexes or values.
    QList<double> numericLeaves;
};

Tree readTree(Walker &w)
{
    struct Node
    {
        unsigned char feature;
        unsigned char operation;
        quint16 no;
    };
    const int nodeCount = w.readCount("a tree has a bad node count");
    w.expect(nodeCount >= 1, "a tree has no nodes");
    QList<Node> nodes;
    Tree tree;
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.feature = w.readByte();
        node.operation = w.readByte();
        node.no = w.readShort();
        const short type = short(w.readShort());
        if (type == StringValue) {
            w.readString();
        } else if (type == FloatValue) {
            const float value = w.readFloat();
            if (node.operation == LeafOperation)
                tree.numericLeaves.append(value);
        } else {
            const int value = w.readInt();
            if (node.operation == LeafOperation)
                tree.numericLeaves.append(value);
        }
        nodes.append(node);
    }
    const int featureCount = w.readCount("a tree has a bad feature count");
    for (int i = 0; i < featureCount; ++i)
        w.readString();
    // The interpreter walks from node 0: "yes" is the next node, "no" the stored index.
    for (int i = 0; i < nodeCount; ++i) {
        const Node &node = nodes[i];
        if (node.operation == LeafOperation)
            continue;
        w.expect(node.operation <= LastOperation, "a tree has an unknown question");
        w.expect(node.feature < featureCount, "a tree asks for a feature it does not name");
        w.expect(i + 1 < nodeCount && node.no > i && node.no < nodeCount,
                 "a tree points outside itself");
    }
    return tree;
}

QList<Tree> readTreeArray(Walker &w)
{
    const int count = w.readInt(); // the loader takes a count of 0 or less as no trees
    QList<Tree> trees;
    for (int i = 0; i < count; ++i) {
        w.expect(i < MaximumCount, "a tree list is too long");
        trees.append(readTree(w));
    }
    return trees;
}

// Rows of a two-dimensional array; returns the size in bytes of each row.
QList<int> read2dArray(Walker &w)
{
    const int rows = w.readInt();
    QList<int> sizes;
    for (int i = 0; i < rows; ++i) {
        w.expect(i < MaximumCount, "an array has too many rows");
        sizes.append(int(w.readPadded().size()));
    }
    return sizes;
}

int featureInt(const QHash<QByteArray, QByteArray> &features, const char *name, int fallback)
{
    const auto it = features.constFind(name);
    if (it == features.constEnd())
        return fallback;
    // flite reads these with atoi: leading digits count, anything else is 0.
    return std::atoi(it->constData());
}

void walk(const QByteArray &data)
{
    Walker w(data);
    w.readHeader();

    QHash<QByteArray, QByteArray> features;
    for (;;) {
        const QByteArray name = w.readString();
        const QByteArray value = w.readString();
        if (name == "end_of_features")
            break;
        features.insert(name, value);
        w.expect(features.size() <= MaximumFeatures, "it has too many features");
    }
    const QByteArray language = features.value("language");
    if (language != "eng" && language != "usenglish")
        throw Damaged("its language is not one this program speaks");

    w.readString(); // name
    const int typeCount = w.readCount("its state list is damaged");
    w.expect(typeCount >= 1, "its state list is empty");
    for (int i = 0; i < typeCount; ++i)
        w.readString();
    w.readInt(); // number of types, as stored
    const int sampleRate = w.readInt();
    w.expect(sampleRate >= 4000 && sampleRate <= 192000, "its sample rate is not usable");
    w.readFloat(); // f0 mean
    w.readFloat(); // f0 deviation

    const int f0Models = featureInt(features, "num_f0_models", 1);
    const int shape = featureInt(features, "model_shape", 1);
    const int paramModels = featureInt(features, "num_param_models", 1);
    const int durationModels = featureInt(features, "num_dur_models", 1);
    w.expect(f0Models >= 1 && f0Models <= MaximumModels && paramModels >= 1 &&
                 paramModels <= MaximumModels && durationModels >= 1 &&
                 durationModels <= MaximumModels && shape >= 1 && shape <= 3,
             "its model counts are not usable");

    // Synthesis looks a state's tree up by the state's index in the state list.
    for (int i = 0; i < f0Models; ++i) {
        const QList<Tree> trees = readTreeArray(w);
        w.expect(trees.size() >= typeCount, "an F0 tree is missing");
    }
    QList<QList<Tree>> paramTrees;
    for (int i = 0; i < paramModels; ++i) {
        paramTrees.append(readTreeArray(w));
        w.expect(paramTrees.back().size() >= typeCount, "a parameter tree is missing");
    }

    const int spamF0 = w.readInt();
    if (spamF0) {
        readTree(w);
        readTree(w);
    }

    // The loader stops at the first model without vectors.
    int usedModels = paramModels;
    QList<int> channels;
    for (int i = 0; i < paramModels; ++i) {
        const int channelCount = w.readInt();
        const int frameCount = w.readInt();
        const QList<int> rows = read2dArray(w);
        if (rows.isEmpty() && usedModels == paramModels)
            usedModels = i;
        if (i >= usedModels)
            continue;
        w.expect(channelCount > 0 && frameCount > 0 && rows.size() == frameCount,
                 "its model vectors do not match their counts");
        for (int size : rows) {
            w.expect(size == rows.front() && size > 0, "its model vectors differ in size");
            if (shape == 1)
                w.expect(size == channelCount * 2, "its model vectors are the wrong size");
        }
        // Tree leaves pick the frame of parameters to use.
        for (const Tree &tree : std::as_const(paramTrees[i])) {
            for (double leaf : tree.numericLeaves)
                w.expect(std::isfinite(leaf) && leaf >= 0 && leaf < frameCount,
                         "a parameter tree points past the model vectors");
        }
        channels.append(channelCount);
    }
    w.expect(usedModels >= 1, "it has no model vectors");

    if (spamF0) {
        w.readInt();
        w.readInt();
        read2dArray(w);
    }
    const QByteArray minimum = w.readPadded();
    const QByteArray range = w.readPadded();
    if (shape == 1) {
        for (int channelCount : std::as_const(channels))
            w.expect(minimum.size() >= channelCount * 4 && range.size() >= channelCount * 4,
                     "its coefficient ranges are too short");
    } else {
        for (int i = 0; i < usedModels; ++i)
            w.expect(!read2dArray(w).isEmpty(), "its quantisation table is missing");
    }

    const float frameAdvance = w.readFloat();
    w.expect(std::isfinite(frameAdvance) && frameAdvance > 0.0001f && frameAdvance < 1.0f,
             "its frame length is not usable");

    for (int i = 0; i < durationModels; ++i) {
        const int statCount = w.readCount("its duration statistics are damaged");
        for (int j = 0; j < statCount; ++j) {
            w.readFloat();
            w.readFloat();
            w.readString();
        }
        readTree(w);
    }

    const int phoneCount = w.readCount("its phone list is damaged");
    for (int i = 0; i < phoneCount; ++i) {
        const int stateCount = w.readCount("its phone states are damaged");
        for (int j = 0; j < stateCount; ++j)
            w.readString();
    }

    w.readInt(); // mlpg
    const QByteArray window = w.readPadded();
    const int windowSize = w.readInt();
    w.expect(windowSize >= 0 && window.size() >= qint64(windowSize) * 4,
             "its delta window is damaged");
    w.readFloat(); // alpha
    w.readFloat(); // beta
    w.readInt();   // multimodel
    const int mixedExcitation = w.readInt();
    const int filterCount = w.readInt();
    const int filterOrder = w.readInt();
    const QList<int> filters = read2dArray(w);
    if (mixedExcitation) {
        w.expect(filterCount > 0 && filterOrder > 0 && filters.size() >= filterCount,
                 "its excitation filters are missing");
        for (int size : filters)
            w.expect(size >= qint64(filterOrder) * 8, "its excitation filters are too short");
    }
    w.readInt();   // spamf0 again
    w.readFloat(); // gain
}

} // namespace

bool FliteVoiceFile::checkData(const QByteArray &data, QString *reason)
{
    try {
        walk(data);
        return true;
    } catch (const Damaged &e) {
        if (reason)
            *reason = QString::fromUtf8(e.what());
        return false;
    }
}

bool FliteVoiceFile::check(const QString &path, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    if (file.size() > MaximumSize) {
        if (reason)
            *reason = QStringLiteral("it is too large");
        return false;
    }
    return checkData(file.readAll(), reason);
}
