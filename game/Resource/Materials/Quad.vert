#version 120
// Full-screen quad: positions are already in clip space.
void main()
{
	gl_Position = ftransform();
	gl_TexCoord[0] = gl_MultiTexCoord0;
}
