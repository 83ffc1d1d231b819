// Light 0, the light model, the two faces' materials and colour material: GL's calls that set
// what the vertex stage lights with. A light's position is kept in eye coordinates, as GL does.
#include "fixed_function.h"

#include <GL/gl.h>

namespace
{
using namespace fixed_function;

// Which of the two faces a GL_FRONT, GL_BACK or GL_FRONT_AND_BACK names.
bool namesFace(GLenum face, int index)
{
    return face == GL_FRONT_AND_BACK || (face == GL_FRONT ? index == 0 : index == 1);
}

// Sets the colour parameters that `name` names; any other name changes nothing.
void setColour(Material& m, GLenum name, const GLfloat* rgba)
{
    switch (name)
    {
        case GL_AMBIENT:
            copy4(m.ambient, rgba);
            break;
        case GL_DIFFUSE:
            copy4(m.diffuse, rgba);
            break;
        case GL_AMBIENT_AND_DIFFUSE:
            copy4(m.ambient, rgba);
            copy4(m.diffuse, rgba);
            break;
        case GL_SPECULAR:
            copy4(m.specular, rgba);
            break;
        case GL_EMISSION:
            copy4(m.emission, rgba);
            break;
    }
}
}  // namespace

void fixed_function::trackColour()
{
    State& s = state();
    if (!s.colourMaterial)
    {
        return;
    }
    for (int index = 0; index < 2; ++index)
    {
        if (namesFace(s.colourMaterialFace, index))
        {
            setColour(s.materials[index], s.colourMaterialMode, s.colour);
        }
    }
}

extern "C"
{

    void glLightfv(GLenum light, GLenum name, const GLfloat* values)
    {
        if (light != GL_LIGHT0)
        {
            return;
        }
        State& s = state();
        switch (name)
        {
            case GL_AMBIENT:
                copy4(s.light0.ambient, values);
                break;
            case GL_DIFFUSE:
                copy4(s.light0.diffuse, values);
                break;
            case GL_SPECULAR:
                copy4(s.light0.specular, values);
                break;
            case GL_POSITION:
            {
                // A position is given in object coordinates and kept in eye coordinates: it is
                // transformed by the model-view matrix of the moment.
                const GLfloat* m = s.modelView[s.modelViewTop];
                for (int row = 0; row < 4; ++row)
                {
                    s.light0.position[row] = m[row] * values[0] + m[4 + row] * values[1] +
                                             m[8 + row] * values[2] + m[12 + row] * values[3];
                }
                break;
            }
        }
    }

    void glLightModeli(GLenum name, GLint value)
    {
        if (name == GL_LIGHT_MODEL_TWO_SIDE)
        {
            state().twoSide = value != 0;
        }
    }

    void glLightModelfv(GLenum name, const GLfloat* values)
    {
        if (name == GL_LIGHT_MODEL_AMBIENT)
        {
            copy4(state().globalAmbient, values);
        }
        else if (name == GL_LIGHT_MODEL_TWO_SIDE)
        {
            state().twoSide = values[0] != 0.0f;
        }
    }

    void glMaterialfv(GLenum face, GLenum name, const GLfloat* values)
    {
        State& s = state();
        for (int index = 0; index < 2; ++index)
        {
            if (!namesFace(face, index))
            {
                continue;
            }
            if (name == GL_SHININESS)
            {
                s.materials[index].shininess = values[0];
            }
            else
            {
                setColour(s.materials[index], name, values);
            }
        }
        // Parameters under colour tracking keep following the current colour.
        trackColour();
    }

    void glMaterialf(GLenum face, GLenum name, GLfloat value)
    {
        if (name == GL_SHININESS)
        {
            glMaterialfv(face, name, &value);
        }
    }

    void glColorMaterial(GLenum face, GLenum mode)
    {
        State& s = state();
        s.colourMaterialFace = face;
        s.colourMaterialMode = mode;
        trackColour();
    }

    void glColor3fv(const GLfloat* rgb)
    {
        const GLfloat colour[4] = {rgb[0], rgb[1], rgb[2], 1.0f};
        copy4(state().colour, colour);
        trackColour();
    }

}  // extern "C"
