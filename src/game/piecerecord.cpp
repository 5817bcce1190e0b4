#include "game/piecerecord.h"

#include "game/datapaths.h"
#include "game/setformat.h"
#include "pieces/meshfacing.h"
#include "pieces/particle.h"

#include <QDomElement>

using setformat::readNumber;

PieceRecord::PieceRecord(QDomNode element)
{
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const QDomElement child = node.toElement();
        const QString tag = child.tagName();
        if (tag == QLatin1String("filename"))
            fileName = QLatin1String(datapath::setPrefix) + child.text();
        else if (tag == QLatin1String("name"))
            name = child.text().simplified(); // one line on screen
        else if (tag == QLatin1String("name_la"))
            latinName = child.text().simplified();
        else if (tag == QLatin1String("rot_x"))
            pose.rotX = readNumber(child.text());
        else if (tag == QLatin1String("rot_y"))
            pose.rotY = readNumber(child.text());
        else if (tag == QLatin1String("rot_z"))
            pose.rotZ = readNumber(child.text());
        else if (tag == QLatin1String("pos_x"))
            pose.posX = readNumber(child.text());
        else if (tag == QLatin1String("pos_y"))
            pose.posY = readNumber(child.text());
        else if (tag == QLatin1String("pos_z"))
            pose.posZ = readNumber(child.text());
        else if (tag == QLatin1String("scale"))
            pose.scale = readNumber(child.text());
    }
}

PieceRecord::~PieceRecord()
{
    // GL objects are released by releaseGl() with the view's context current.
    delete particle;
}

void PieceRecord::build()
{
    if (particle)
        releaseGl();
    delete particle;

    const QByteArray modelPath = fileName.toLatin1();
    particle = new Particle(modelPath.constData(), datapath::skin);
    particle->setFrame(0);
    particle->rotate(pose.rotX, 1, 0, 0);
    particle->rotate(pose.rotY, 0, 1, 0);
    particle->rotate(pose.rotZ, 0, 0, 1);
    particle->setFrameRange(0, 0);

    const MeshFacing facing = meshFacing(*particle->model, 0);
    closedMesh = facing != MeshFacing::Open;
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glPushMatrix();
    if (drawnScale() != 1.0f)
        glScalef(pose.scale, pose.scale, pose.scale);
    // A scale below zero mirrors the mesh, and turns its triangles the other way.
    if (closedMesh)
        glFrontFace((facing == MeshFacing::CounterClockwise) == (drawnScale() > 0) ? GL_CCW
                                                                                   : GL_CW);
    particle->draw();
    glFrontFace(GL_CCW);
    glPopMatrix();
    glEndList();
}

void PieceRecord::draw() const
{
    if (displayList != 0)
        glCallList(displayList);
}

void PieceRecord::releaseGl()
{
    if (displayList != 0) {
        glDeleteLists(displayList, 1);
        displayList = 0;
    }
    if (particle)
        particle->releaseTexture();
}

float PieceRecord::halfSizeX() const
{
    return particle ? particle->halfSizeX() : 0.0f;
}

float PieceRecord::halfSizeY() const
{
    return particle ? particle->halfSizeY() : 0.0f;
}

float PieceRecord::halfSizeZ() const
{
    return particle ? particle->halfSizeZ() : 0.0f;
}
