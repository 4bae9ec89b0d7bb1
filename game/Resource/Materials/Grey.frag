#version 120
// Luminance of the rendered scene.
uniform sampler2D scene;
void main()
{
	vec3 colour = texture2D(scene, gl_TexCoord[0].st).rgb;
	float grey = dot(colour, vec3(0.299, 0.587, 0.114));
	gl_FragColor = vec4(grey, grey, grey, 1.0);
}
